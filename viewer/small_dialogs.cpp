#include "small_dialogs.h"

#include "app.h"
#include "archiver.h"
#include "sjis.h"
#include "proc_address.h"
#include "window_position.h"

#include <cstdio>

CAboutDlg::~CAboutDlg() {
  if (m_viewerInfo.hIcon) DestroyIcon(m_viewerInfo.hIcon);
}

std::string CAboutDlg::VersionLine(const char* file, unsigned version) {
  // The value is in hundredths: 105 is version 1.05, never "1.5".
  char number[16];
  std::snprintf(number, sizeof number, "%u.%02u", version / 100, version % 100);
  return std::string(file) + " Ver" + number;
}

BOOL CAboutDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  CentreOverOwner(m_hWnd);
  if (SHGetFileInfoA(m_viewerPath.c_str(), 0, &m_viewerInfo, sizeof m_viewerInfo,
                     SHGFI_ICON | SHGFI_SMALLICON | SHGFI_DISPLAYNAME)) {
    SendDlgItemMessage(IDC_VIEWER_ICON, STM_SETICON, reinterpret_cast<WPARAM>(m_viewerInfo.hIcon));
    SetDlgItemText(IDC_TEXT, m_viewerInfo.szDisplayName);
  }
  const struct {
    int id;
    const char* file;
    const char* function;
  } libs[] = {{IDC_LIB_LHA, "UNLHA32.DLL", "UnlhaGetVersion"},
              {IDC_LIB_CAB, "CAB32.DLL", "CabGetVersion"},
              {IDC_LIB_TAR, "TAR32.DLL", "TarGetVersion"},
              {IDC_LIB_ZIP, "UNZIP32.DLL", "UnZipGetVersion"}};
  for (const auto& lib : libs) {
    HMODULE m = LoadLibraryA(lib.file);
    if (!m) continue;
    if (auto fn = procAddress<archiver::GetVersionFn>(m, lib.function)) {
      unsigned version = fn() & 0xFFFF;
      EnableWindow(GetDlgItem(lib.id), TRUE);
      SetDlgItemText(lib.id, VersionLine(lib.file, version));
    }
    FreeLibrary(m);
  }
  return TRUE;
}

BOOL CNoticeDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  CentreOverOwner(m_hWnd);
  SetDlgItemText(IDC_TEXT, m_text);
  CheckDlgButton(m_hWnd, IDC_HIDE_NOTICE, BST_UNCHECKED);
  SetFocus(GetDlgItem(IDOK));  // not the text: it would show all selected
  return FALSE;
}

void CNoticeDlg::OnOK() {
  m_hide = IsDlgButtonChecked(m_hWnd, IDC_HIDE_NOTICE) == BST_CHECKED ? 1 : 0;
  EndDialog(IDOK);
}

BOOL CSfxKindDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  CentreOverOwner(m_hWnd);
  CheckDlgButton(m_hWnd, IDC_SFX_WIN95, BST_CHECKED);
  return TRUE;
}

void CSfxKindDlg::OnOK() {
  if (IsDlgButtonChecked(m_hWnd, IDC_SFX_WIN95) == BST_CHECKED)
    m_kind = 1;
  else if (IsDlgButtonChecked(m_hWnd, IDC_SFX_WIN31) == BST_CHECKED)
    m_kind = 2;
  else if (IsDlgButtonChecked(m_hWnd, IDC_SFX_DOS) == BST_CHECKED)
    m_kind = 3;
  EndDialog(IDOK);
}
