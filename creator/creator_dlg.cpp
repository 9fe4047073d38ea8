#include "creator_dlg.h"

#include <commdlg.h>
#include <shellapi.h>

#include <cstdio>

#include "app.h"
#include "html_help.h"
#include "long_path.h"
#include "sjis.h"
#include "waitcursor.h"
#include "window_position.h"
#include "window_placement.h"

namespace {
const char* const kLhaMethods[3] = {"lh5 (標準)", "lh6 (LHA V2.50以降)", "lh7 (LHA V2.60以降)"};
const char* const kCabMethods[3] = {"MSZIP形式", "LZX形式", "無圧縮"};
const char* const kTarMethods[3] = {"tar + gzip", "tar + bzip2", "無圧縮"};

// The file dialog's result: the multiple-selection buffer holds the folder and
// then each name, or one whole path. Longer than the buffer: the dialog fails.
constexpr DWORD kSelectionBuffer = 64 * 1024;

bool checked(HWND dlg, int id) { return IsDlgButtonChecked(dlg, id) == BST_CHECKED; }
void enable(HWND dlg, int id, bool on) { EnableWindow(GetDlgItem(dlg, id), on ? TRUE : FALSE); }
void check(HWND dlg, int id, bool on) { CheckDlgButton(dlg, id, on ? BST_CHECKED : BST_UNCHECKED); }

std::string currentFolder() {
  char folder[MAX_PATH] = {};
  GetCurrentDirectoryA(sizeof folder, folder);
  return folder;
}

class CAboutDlg : public CDialog {
 public:
  CAboutDlg() : CDialog(IDD_ABOUTBOX) {}

 protected:
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    CentreOverOwner(m_hWnd);
    return TRUE;
  }
};
}  // namespace

CCreatorDlg::CCreatorDlg(bool copyMode, std::vector<std::string> args)
    : CDialog(IDD_PAKMO_DIALOG), m_dropTarget(*this), m_copyMode(copyMode), m_argList(std::move(args)) {
  m_icon = LoadIconA(FrameworkResourceHandle(), MAKEINTRESOURCEA(IDR_MAINFRAME));
}

CCreatorDlg::~CCreatorDlg() { m_dropTarget.Revoke(); }

BOOL CCreatorDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  m_statusBar.Create(m_hWnd, IDC_STATUS_BAR);
  SendMessageA(m_statusBar.m_hWnd, SB_SETMINHEIGHT, 18, 0);
  int right = -1;
  SendMessageA(m_statusBar.m_hWnd, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(&right));
  SendMessageA(m_statusBar.m_hWnd, SB_SIMPLE, FALSE, 0);
  SendMessageA(m_statusBar.m_hWnd, WM_SIZE, 0, 0);

  char about[256] = {};
  LoadStringA(FrameworkResourceHandle(), IDS_ABOUTBOX, about, sizeof about);
  if (about[0]) {
    HMENU sys = GetSystemMenu(m_hWnd, FALSE);
    AppendMenuA(sys, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(sys, MF_STRING, IDM_ABOUTBOX, about);
  }
  SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
  SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_icon));

  if (!LoadWindowPos(m_left, m_top)) {
    m_left = 100;
    m_top = 100;
  }
  RECT outer;
  GetWindowRect(m_hWnd, &outer);
  m_width = outer.right - outer.left;
  m_height = outer.bottom - outer.top;
  // Kept open until the process ends: its existence tells a later copy to step aside.
  HANDLE semaphore = CreateSemaphoreA(nullptr, 0, 100, "PakmoSemaphore");
  if (semaphore && GetLastError() == ERROR_ALREADY_EXISTS) {
    RECT desktop;
    GetClientRect(GetDesktopWindow(), &desktop);
    OffsetForSecondCopy(m_left, m_top, desktop);
  }
  WINDOWPLACEMENT wp{};
  wp.length = sizeof wp;
  GetWindowPlacement(m_hWnd, &wp);
  wp.rcNormalPosition = RECT{m_left, m_top, m_left + m_width, m_top + m_height};
  SetWindowPlacement(m_hWnd, &wp);

  m_dropTarget.Register(m_hWnd);
  if (m_copyMode)
    OnPaste();
  else
    AddCommandLineFiles();

  m_archivers.LoadLibraries(m_hWnd);
  ChooseStartFormat();
  m_archivers.m_owner = m_hWnd;
  return TRUE;
}

bool CCreatorDlg::PreTranslateMessage(MSG* msg) {
  if (msg->message == WM_KEYDOWN) {
    if (msg->wParam == VK_RETURN) return true;  // Enter never presses the default button
    if (!m_accelerators) m_accelerators = LoadAcceleratorsA(FrameworkResourceHandle(), MAKEINTRESOURCEA(IDR_ACCELERATORS));
    if (m_accelerators && m_hWnd && TranslateAcceleratorA(m_hWnd, m_accelerators, msg)) return true;
  }
  return CDialog::PreTranslateMessage(msg);
}

// ---- messages ----

LRESULT CCreatorDlg::OnSysCommand(UINT, WPARAM wParam, LPARAM, bool& handled) {
  if ((wParam & 0xFFF0) == IDM_ABOUTBOX) {
    ShowAbout();
    return 0;
  }
  handled = false;
  return 0;
}

LRESULT CCreatorDlg::OnPaint(UINT, WPARAM, LPARAM, bool& handled) {
  if (!IsIconic(m_hWnd)) {
    handled = false;
    return 0;
  }
  PaintMinimisedIcon(m_hWnd, m_icon);
  return 0;
}

LRESULT CCreatorDlg::OnQueryDragIcon(UINT, WPARAM, LPARAM, bool&) { return reinterpret_cast<LRESULT>(m_icon); }

LRESULT CCreatorDlg::OnInitMenuPopup(UINT, WPARAM wParam, LPARAM, bool& handled) {
  handled = false;
  const bool files = IsClipboardFormatAvailable(CF_HDROP) != FALSE;
  EnableMenuItem(reinterpret_cast<HMENU>(wParam), ID_PASTE, MF_BYCOMMAND | (files ? MF_ENABLED : MF_GRAYED));
  return 0;
}

LRESULT CCreatorDlg::OnHScroll(UINT, WPARAM, LPARAM, bool& handled) {
  char text[16];
  std::snprintf(text, sizeof text, "%d", static_cast<int>(SendDlgItemMessage(IDC_LEVEL, TBM_GETPOS)));
  SetDlgItemText(IDC_LEVEL_VALUE, text);
  handled = false;
  return 0;
}

LRESULT CCreatorDlg::OnMove(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  if (!m_firstMoveSeen) {
    m_firstMoveSeen = true;  // the placement at start, not the user's
    return 0;
  }
  SavePosition();
  return 0;
}

LRESULT CCreatorDlg::OnDestroy(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  m_dropTarget.Revoke();
  SavePosition();
  return 0;
}

void CCreatorDlg::SavePosition() const {
  WINDOWPLACEMENT wp{};
  wp.length = sizeof wp;
  if (!GetWindowPlacement(m_hWnd, &wp)) return;
  SaveWindowPos(wp.rcNormalPosition.left, wp.rcNormalPosition.top);
}

LRESULT CCreatorDlg::OnCommand(WORD, WORD id, HWND, bool&) {
  switch (id) {
    case IDC_COMPRESS:
    case ID_COMPRESS: OnCompress(); break;
    case ID_SELECT_FILES: OnSelectFiles(); break;
    case ID_PASTE: OnPaste(); break;
    case ID_HELP_TOPICS: ShowHelp(); break;
    case ID_APP_ABOUT: ShowAbout(); break;
    case ID_APP_EXIT: EndDialog(IDCANCEL); break;
    case IDC_FORMAT_LHA: OnSelectLha(); break;
    case IDC_FORMAT_CAB: OnSelectCab(); break;
    case IDC_FORMAT_TAR: OnSelectTar(); break;
  }
  return 0;
}

LRESULT CCreatorDlg::OnMethodCommand(WORD code, WORD, HWND, bool& handled) {
  if (code != CBN_SELCHANGE) {
    handled = false;
    return 0;
  }
  UpdateLevelControls();
  return 0;
}

void CCreatorDlg::ShowAbout() {
  CAboutDlg about;
  about.DoModal(m_hWnd);
}

void CCreatorDlg::ShowHelp() { ShowHelpTopic("Pakmo1.htm"); }

// ---- formats and options ----

void CCreatorDlg::ChooseStartFormat() {
  if (m_archivers.Usable(kFormatTar)) {
    enable(m_hWnd, IDC_FORMAT_TAR, true);
    check(m_hWnd, IDC_FORMAT_TAR, true);
    OnSelectTar();
  }
  if (m_archivers.Usable(kFormatCab)) {
    enable(m_hWnd, IDC_FORMAT_CAB, true);
    check(m_hWnd, IDC_FORMAT_TAR, false);
    check(m_hWnd, IDC_FORMAT_CAB, true);
    OnSelectCab();
  }
  if (m_archivers.Usable(kFormatLha)) {
    enable(m_hWnd, IDC_FORMAT_LHA, true);
    check(m_hWnd, IDC_FORMAT_TAR, false);
    check(m_hWnd, IDC_FORMAT_CAB, false);
    check(m_hWnd, IDC_FORMAT_LHA, true);
    OnSelectLha();
  }
}

void CCreatorDlg::SetFormatControls(int format, const char* const rows[3]) {
  m_archivers.m_format = format;
  SetLevelRange(false);
  enable(m_hWnd, IDC_COMPRESS, true);
  if (format == kFormatCab) check(m_hWnd, IDC_FULL_PATH, false);
  enable(m_hWnd, IDC_FULL_PATH, format != kFormatCab);
  enable(m_hWnd, IDC_SUBFOLDERS, format != kFormatTar);  // tar keeps the box's state while it is off
  if (format == kFormatTar) check(m_hWnd, IDC_SHORT_NAMES, false);
  enable(m_hWnd, IDC_SHORT_NAMES, format != kFormatTar);
  enable(m_hWnd, IDC_METHOD_LABEL, true);
  enable(m_hWnd, IDC_METHOD, true);
  SendDlgItemMessage(IDC_METHOD, CB_RESETCONTENT);
  for (int i = 0; i < 3; i++) SendDlgItemMessage(IDC_METHOD, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(rows[i]));
  SendDlgItemMessage(IDC_METHOD, CB_SETCURSEL, 0);
  UpdateLevelControls();
}

void CCreatorDlg::OnSelectLha() { SetFormatControls(kFormatLha, kLhaMethods); }
void CCreatorDlg::OnSelectCab() { SetFormatControls(kFormatCab, kCabMethods); }
void CCreatorDlg::OnSelectTar() { SetFormatControls(kFormatTar, kTarMethods); }

void CCreatorDlg::SetLevelRange(bool on, int low, int high, int position) {
  for (int id : {IDC_LEVEL_LABEL, IDC_LEVEL_VALUE, IDC_LEVEL}) enable(m_hWnd, id, on);
  if (!on) return;
  SendDlgItemMessage(IDC_LEVEL, TBM_SETRANGE, TRUE, MAKELPARAM(low, high));
  SendDlgItemMessage(IDC_LEVEL, TBM_SETPOS, TRUE, position);
  SetDlgItemText(IDC_LEVEL_VALUE, std::to_string(position));
}

void CCreatorDlg::UpdateLevelControls() {
  const int row = static_cast<int>(SendDlgItemMessage(IDC_METHOD, CB_GETCURSEL));
  if (checked(m_hWnd, IDC_FORMAT_LHA)) {
    if (row == 1 || row == 2)
      MessageBoxA(m_hWnd, "この形式は互換性に問題があり、正常に解凍できないことがあります。", "Pakmo", MB_OK);
  } else if (checked(m_hWnd, IDC_FORMAT_CAB)) {
    if (row == 1)
      SetLevelRange(true, 15, 21, 15);
    else
      SetLevelRange(false);
  } else if (checked(m_hWnd, IDC_FORMAT_TAR)) {
    if (row == 0)
      SetLevelRange(true, 1, 9, 6);
    else if (row == 1)
      SetLevelRange(true, 1, 9, 9);
    else
      SetLevelRange(false);
  }
}

int CCreatorDlg::FormatFromButtons() const {
  if (checked(m_hWnd, IDC_FORMAT_CAB)) return kFormatCab;
  if (checked(m_hWnd, IDC_FORMAT_TAR)) return kFormatTar;
  return kFormatLha;
}

CreateOptions CCreatorDlg::ReadOptions() const {
  CreateOptions o;
  o.methodIndex = static_cast<int>(SendDlgItemMessage(IDC_METHOD, CB_GETCURSEL));
  o.level = static_cast<int>(SendDlgItemMessage(IDC_LEVEL, TBM_GETPOS));
  o.withFullPath = checked(m_hWnd, IDC_FULL_PATH) ? 1 : 0;
  o.withSubfolders = checked(m_hWnd, IDC_SUBFOLDERS) ? 1 : 0;
  o.shortNames = checked(m_hWnd, IDC_SHORT_NAMES) ? 1 : 0;
  return o;
}

// ---- the file list ----

void CCreatorDlg::ClearList() {
  m_resolver = LongPathResolver();  // folders may have changed since the last intake
  SendDlgItemMessage(IDC_FILE_LIST, LB_RESETCONTENT);
  m_pathList.Clear();
  m_baseFolder.clear();
}

bool CCreatorDlg::AddPath(const std::string& path) {
  LongPath lp = m_resolver.Resolve(path);
  UpdateBaseFolder(m_baseFolder, lp.path);
  std::string display = lp.name;
  std::string listed = lp.path;
  const bool folder = lp.folder;
  if (folder) {
    display = lp.name.empty() ? m_baseFolder : lp.name + "\\";
    listed = FolderPattern(lp.path);
  }
  SendDlgItemMessage(IDC_FILE_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(display.c_str()));
  m_pathList.Insert(listed);
  return folder;
}

void CCreatorDlg::ListChanged() {
  enable(m_hWnd, IDC_COMPRESS, true);
  EnableMenuItem(GetMenu(m_hWnd), ID_COMPRESS, MF_BYCOMMAND | MF_ENABLED);
  DrawMenuBar(m_hWnd);
}

void CCreatorDlg::PauseListDrawing(bool pause) {
  // A large intake draws the list once, at its end.
  SendDlgItemMessage(IDC_FILE_LIST, WM_SETREDRAW, pause ? FALSE : TRUE);
  if (!pause) InvalidateRect(GetDlgItem(IDC_FILE_LIST), nullptr, TRUE);
}

void CCreatorDlg::ShowCount() {
  char status[64];
  std::snprintf(status, sizeof status, "  %d 個のﾌｧｲﾙ", static_cast<int>(m_pathList.Count()));
  m_statusBar.SetText(status);
}

void CCreatorDlg::AddCommandLineFiles() {
  CWaitCursor wait;
  PauseListDrawing(true);
  for (const std::string& arg : m_argList) AddPath(arg);
  PauseListDrawing(false);
  if (!m_argList.empty()) ListChanged();
  ShowCount();
}

void CCreatorDlg::AddDroppedFiles(IDataObject* data) {
  if (!OffersFileList(data)) return;
  FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM medium{};
  if (FAILED(data->GetData(&format, &medium))) return;
  const void* block = medium.tymed == TYMED_HGLOBAL ? GlobalLock(medium.hGlobal) : nullptr;
  if (!block) {
    ReleaseStgMedium(&medium);
    return;
  }
  std::vector<std::string> names = ReadFileListBlock(block, GlobalSize(medium.hGlobal));
  GlobalUnlock(medium.hGlobal);
  ReleaseStgMedium(&medium);

  CWaitCursor wait;
  ClearList();
  PauseListDrawing(true);
  for (const std::string& name : names)
    if (AddPath(name)) check(m_hWnd, IDC_SUBFOLDERS, true);
  PauseListDrawing(false);
  ListChanged();
  ShowCount();
}

void CCreatorDlg::OnPaste() {
  IDataObject* data = nullptr;
  if (FAILED(OleGetClipboard(&data)) || !data) return;
  AddDroppedFiles(data);
  data->Release();
}

void CCreatorDlg::OnSelectFiles() {
  std::vector<char> buffer(kSelectionBuffer, '\0');
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = m_hWnd;
  ofn.lpstrFilter = "全てのﾌｧｲﾙ(*.*)\0*.*\0";
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = buffer.data();
  ofn.nMaxFile = kSelectionBuffer;
  ofn.lpstrTitle = "圧縮するﾌｧｲﾙを選択してください。";
  ofn.Flags = OFN_ALLOWMULTISELECT | OFN_EXPLORER | OFN_LONGNAMES | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST |
              OFN_NODEREFERENCELINKS;
  if (!GetOpenFileNameA(&ofn)) return;

  // One file: its whole path. Several: the folder, then each name, ended by an empty one.
  std::vector<std::string> chosen;
  const std::string first(buffer.data());
  size_t at = first.size() + 1;
  if (at >= buffer.size() || buffer[at] == '\0') {
    chosen.push_back(first);
  } else {
    std::string folder = first;
    sjis::addBackslash(folder);
    while (at < buffer.size() && buffer[at]) {
      std::string name(buffer.data() + at);
      chosen.push_back(folder + name);
      at += name.size() + 1;
    }
  }
  ClearList();
  for (const std::string& file : chosen) {
    char full[MAX_PATH] = {};
    char* namePart = nullptr;
    DWORD n = GetFullPathNameA(file.c_str(), sizeof full, full, &namePart);
    std::string path = n > 0 && n < sizeof full ? std::string(full, n) : file;
    UpdateBaseFolder(m_baseFolder, path);
    const size_t cut = sjis::lastBackslash(path);
    const std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
    SendDlgItemMessage(IDC_FILE_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    m_pathList.Insert(path);
  }
  ListChanged();
  ShowCount();
}

// ---- compressing ----

std::string CCreatorDlg::BuildNameList() const {
  return ::BuildNameList(m_pathList.Paths(), m_baseFolder, checked(m_hWnd, IDC_FULL_PATH));
}

std::string CCreatorDlg::AskArchiveName(int methodIndex) {
  char file[MAX_PATH] = {};
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = m_hWnd;
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = file;
  ofn.nMaxFile = sizeof file;
  std::string start = m_baseFolder;
  if (!start.empty() && start.back() == ':') start += '\\';
  ofn.lpstrInitialDir = start.empty() || start == kNoCommonFolder ? nullptr : start.c_str();
  ofn.Flags = OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_LONGNAMES | OFN_EXPLORER;
  m_archivers.PrepareSaveDialog(ofn, methodIndex);
  return GetOpenFileNameA(&ofn) ? std::string(file) : std::string();
}

void CCreatorDlg::ShowResult(const std::string& text) {
  CResultDlg result;
  result.m_text = text;
  result.DoModal(m_hWnd);
}

void CCreatorDlg::OnCompress() {
  if (SendDlgItemMessage(IDC_FILE_LIST, LB_GETCOUNT) <= 0) return;
  std::string text;
  {
    CWaitCursor wait;
    m_archivers.m_format = FormatFromButtons();
    const std::string archive = AskArchiveName(static_cast<int>(SendDlgItemMessage(IDC_METHOD, CB_GETCURSEL)));
    if (archive.empty()) return;
    const std::string names = BuildNameList();
    const std::string remembered = currentFolder();
    const CreateOptions options = ReadOptions();
    text = m_archivers.CreateArchive(archive, names, remembered, m_baseFolder, options);
  }
  ShowResult(text);
}
