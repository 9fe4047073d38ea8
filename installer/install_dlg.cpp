#include "install_dlg.h"

#include <shlobj.h>

#include "install_layout.h"
#include "install_steps.h"

BOOL CInstallDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  m_icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME));
  SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
  SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_icon));
  SetDlgItemText(IDC_FOLDER, "C:\\Program files\\Pakdex");
  SetFocus(GetDlgItem(IDC_FOLDER));
  return FALSE;  // the focus is set
}

void CInstallDlg::OnOK() { Install(); }

LRESULT CInstallDlg::OnBrowse(WORD, WORD, HWND, bool&) {
  BROWSEINFOA bi{};
  bi.hwndOwner = m_hWnd;
  bi.lpszTitle = "インストールフォルダの参照";
  bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN | BIF_RETURNFSANCESTORS;
  LPITEMIDLIST id = SHBrowseForFolderA(&bi);
  if (!id) return 0;
  char path[MAX_PATH] = {};
  if (SHGetPathFromIDListA(id, path)) SetDlgItemText(IDC_FOLDER, path);
  CoTaskMemFree(id);
  return 0;
}

LRESULT CInstallDlg::OnInstall(WORD, WORD, HWND, bool&) {
  Install();
  return 0;
}

int CInstallDlg::Message(const char* text, UINT type) { return MessageBoxA(m_hWnd, text, kTitle, type); }

void CInstallDlg::Fail(const char* message) {
  install::startUninstaller();
  Message(message);
  EndDialog(IDABORT);
}

void CInstallDlg::Install() {
  m_folder = install::trimFolder(GetDlgItemText(IDC_FOLDER));
  if (m_folder.empty()) {
    if (Message("インストールするフォルダを指定してください", MB_OKCANCEL) == IDCANCEL) EndDialog(IDCANCEL);
    return;
  }
  for (int id : {IDC_FOLDER, IDC_BROWSE, IDC_INSTALL, IDCANCEL}) ShowWindow(GetDlgItem(id), SW_HIDE);
  UpdateWindow(m_hWnd);

  const std::string sys = install::systemDirectory();
  if (!install::writeRegistry(install::registryEntries(sys, m_folder)))
    return Fail("インストールできませんでした。 (ﾚｼﾞｽﾄﾘが作成できない)");

  std::vector<std::string> programs = install::installFolderFiles();
  for (const std::string& lib : install::archiverLibraries())
    if (GetFileAttributesA(lib.c_str()) != INVALID_FILE_ATTRIBUTES) programs.push_back(lib);
  if (!install::copyFiles(m_hWnd, programs, m_folder) || !install::copyFiles(m_hWnd, install::systemFiles(), sys))
    return Fail("インストールできませんでした (ﾌｧｲﾙｴﾗｰ)");

  std::string links = install::programsFolder();
  bool linked = !links.empty();
  for (const install::Shortcut& s : install::shortcuts()) {
    if (!linked) break;
    linked = install::createShortcut(links + s.link, m_folder + s.program, s.description);
  }
  if (!linked) Message("ショートカットが作成できませんでした");

  install::selectAssociations();
  Message("インストールが完了しました");
  EndDialog(IDOK);
}
