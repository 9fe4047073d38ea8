#include "viewer_dlg.h"

#include <algorithm>
#include <cstdio>

#include <shellapi.h>

#include "app.h"
#include "entry_text.h"
#include "file_list_block.h"
#include "folder_tree_dlg.h"
#include "html_help.h"
#include "ole_data_source.h"
#include "sjis.h"
#include "small_dialogs.h"
#include "viewer_startup.h"
#include "waitcursor.h"
#include "proc_address.h"

CViewerDlg* g_viewerDlg = nullptr;
bool CViewerDlg::s_sortAscendingNext[4] = {true, true, true, true};

namespace {
const int kSortCommands[4] = {ID_SORT_NAME, ID_SORT_SIZE, ID_SORT_RATIO, ID_SORT_DATE};

bool ControlHeld() { return (GetKeyState(VK_CONTROL) & 0x8000) != 0; }

// The open-file dialog as both of the viewer's file choices show it: an existing
// file, long names, no read-only box. "" when cancelled.
std::string ChooseExistingFile(HWND owner, const char* title, const char* filter) {
  char file[MAX_PATH] = {};
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = filter;
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = file;
  ofn.nMaxFile = sizeof file;
  ofn.lpstrTitle = title;
  ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_LONGNAMES | OFN_HIDEREADONLY | OFN_EXPLORER;
  return GetOpenFileNameA(&ofn) ? std::string(file) : std::string();
}
}

CViewerDlg::~CViewerDlg() {
  if (g_viewerDlg == this) g_viewerDlg = nullptr;
}

BOOL CViewerDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  AddAboutToSystemMenu(IDS_ABOUTBOX, IDM_ABOUTBOX);
  ShowIcon();

  m_statusBar.Create(m_hWnd, IDC_STATUS_BAR);
  SendMessageA(m_statusBar.m_hWnd, SB_SETMINHEIGHT, 15, 0);
  int right = -1;
  SendMessageA(m_statusBar.m_hWnd, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(&right));
  SendMessageA(m_statusBar.m_hWnd, SB_SIMPLE, FALSE, 0);
  SetStatus("0 個のﾌｧｲﾙ");

  if (!LoadViewerSettings(m_settings)) {
    ViewerSettings defaults;
    defaults.lastFolder = m_settings.lastFolder;  // read before the failure: kept
    m_settings = defaults;
  }
  RECT desktop;
  GetClientRect(GetDesktopWindow(), &desktop);
  HANDLE semaphore = CreateSemaphoreA(nullptr, 0, 100, "DexlorSemaphore");
  if (semaphore && GetLastError() == ERROR_ALREADY_EXISTS) CascadeWindowRect(m_settings.windowRect, desktop);
  // The semaphore stays open for the life of the process: its existence is its message.

  WINDOWPLACEMENT wp{};
  wp.length = sizeof wp;
  GetWindowPlacement(m_hWnd, &wp);
  const RECT& r = m_settings.windowRect;
  wp.rcNormalPosition = RECT{r.left, r.top, r.left + r.right, r.top + r.bottom};
  SetWindowPlacement(m_hWnd, &wp);

  InsertColumns();
  EnableArchiveControls(false);

  std::string notice = m_archives.LoadLibraries();
  if (!m_settings.hideNotice && !notice.empty()) {
    CNoticeDlg dlg;
    dlg.m_text = notice;
    m_settings.hideNotice = dlg.DoModal(m_hWnd) == IDOK && dlg.m_hide != 0;
  }
  if (!m_archives.AnyLoaded()) {
    PostMessageA(m_hWnd, WM_QUIT, 0, 0);
    return TRUE;
  }
  if (m_archives.Handler(kFormatLha)->Version() >= 49) {
    LONG_PTR style = GetWindowLongPtrA(List(), GWL_STYLE);
    SetWindowLongPtrA(List(), GWL_STYLE, style | LVS_EDITLABELS);
  }
  m_archives.SetOwnerWindow(m_hWnd);

  CWinApp* app = CWinApp::Current();
  m_currentPath = ArchivePathFromCommandLine(app ? app->m_commandLine : std::string());
  if (!m_currentPath.empty()) LoadArchive();

  m_archives.SetWorkFolder(TempFolder());
  if (m_settings.viewerPath.empty()) m_settings.viewerPath = "notepad";
  CClipboardFiles::CleanUpAtStart(m_archives.WorkFolder());
  g_viewerDlg = this;
  m_dropTarget.Register(m_hWnd);
  SendMessageA(m_hWnd, WM_SIZE, 0, 0);
  return TRUE;
}

void CViewerDlg::InsertColumns() {
  const struct {
    const char* header;
    int format;
  } columns[4] = {{"名前", LVCFMT_LEFT}, {"ｻｲｽﾞ", LVCFMT_RIGHT}, {"圧縮率", LVCFMT_RIGHT}, {"日付", LVCFMT_LEFT}};
  for (int i = 0; i < 4; i++) {
    LVCOLUMNA c{};
    c.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    c.fmt = columns[i].format;
    c.cx = m_settings.columnWidths[i];
    c.pszText = const_cast<char*>(columns[i].header);
    c.iSubItem = i;
    SendMessageA(List(), LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&c));
  }
}

void CViewerDlg::EnableArchiveControls(bool enable) {
  for (int id : {IDC_EXTRACT, ID_EDIT_CLEAR, IDC_DESELECT_ALL}) EnableWindow(GetDlgItem(id), enable);
  HMENU menu = GetMenu(m_hWnd);
  EnableMenuItem(menu, 1, MF_BYPOSITION | (enable ? MF_ENABLED : MF_GRAYED));
  DrawMenuBar(m_hWnd);
}

void CViewerDlg::DeleteTempFiles() {
  const bool offered = m_clipboardFiles.ForgetIfReplaced(m_archives.WorkFolder());
  for (const std::string& name : m_tempFiles) {
    if (offered && m_clipboardFiles.Offers(name)) continue;  // a paste may still want it
    std::string path = m_archives.WorkFolder() + name;
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
  }
  m_tempFiles.clear();
}

void CViewerDlg::LoadArchive() {
  SetWindowTextA(m_hWnd, "Ｄｅｘｌｏｒ");
  m_rows.clear();
  SendMessageA(List(), LVM_SETITEMCOUNT, 0, 0);
  SetStatus("0 個のﾌｧｲﾙ");
  DeleteTempFiles();
  EnableArchiveControls(false);
  CWaitCursor wait;

  if (!m_archives.DetectFormat(m_currentPath)) return;
  int count = m_archives.GetFileCount();
  if (count < 1) return;
  if (!m_archives.OpenArchive(archiver::kOpenModeList)) return;

  archiver::ArcItemInfo info{};
  int more = m_archives.FindFirst("*.*", &info);
  m_rows.reserve(static_cast<size_t>(count));
  uint64_t total = 0;
  for (int i = 0; i < count && more == 0; i++) {
    info.name[sizeof info.name - 1] = '\0';
    std::string name(info.name);
    if (name.empty() || name.back() != '/') {
      EntryRow row;
      row.name = std::move(name);
      row.size = info.originalSize;
      row.sizeText = FormatThousands(info.originalSize);
      row.ratioText = FormatRatio(info.ratio);
      row.dateText = FormatDosDate(info.date, info.time);
      m_rows.push_back(std::move(row));
    }
    total += info.originalSize;
    more = m_archives.FindNext(&info);
  }
  SendMessageA(List(), LVM_SETITEMCOUNT, m_rows.size(), 0);
  m_archives.CloseArchive();

  std::string status = ArchiveStatusText(static_cast<unsigned>(count), total, ArchiveFileSize(m_currentPath));
  SetWindowTextA(m_hWnd, ("Ｄｅｘｌｏｒ - " + m_currentPath).c_str());
  EnableArchiveControls(true);
  SetStatus(status + "   " + m_archives.FormatName());
}

void CViewerDlg::SortByColumn(int column) {
  if (column < 0 || column > 3) return;
  bool ascending = s_sortAscendingNext[column];
  s_sortAscendingNext[column] = !ascending;
  // Selection marks belong to positions in a virtual list: carry them with their rows.
  std::vector<char> selected(m_rows.size(), 0);
  for (int i = -1; (i = static_cast<int>(SendMessageA(List(), LVM_GETNEXTITEM, i, LVNI_SELECTED))) >= 0;)
    if (static_cast<size_t>(i) < selected.size()) selected[static_cast<size_t>(i)] = 1;
  std::vector<size_t> order(m_rows.size());
  for (size_t i = 0; i < order.size(); i++) order[i] = i;
  auto text = [column](const EntryRow& r) -> const std::string& {
    return column == 0 ? r.name : column == 2 ? r.ratioText : r.dateText;
  };
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    const EntryRow& x = m_rows[a];
    const EntryRow& y = m_rows[b];
    if (column == 1) return ascending ? x.size < y.size : y.size < x.size;
    int r = CompareEntryText(text(x), text(y));
    return ascending ? r < 0 : r > 0;
  });
  std::vector<EntryRow> sorted;
  sorted.reserve(m_rows.size());
  for (size_t i : order) sorted.push_back(std::move(m_rows[i]));
  m_rows = std::move(sorted);
  LVITEMA state{};
  state.stateMask = LVIS_SELECTED;
  SendMessageA(List(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
  state.state = LVIS_SELECTED;
  for (size_t i = 0; i < order.size(); i++)
    if (selected[order[i]]) SendMessageA(List(), LVM_SETITEMSTATE, i, reinterpret_cast<LPARAM>(&state));
  InvalidateRect(List(), nullptr, FALSE);
  HMENU menu = GetMenu(m_hWnd);
  for (int c = 0; c < 4; c++)
    CheckMenuItem(menu, kSortCommands[c], MF_BYCOMMAND | (c == column ? MF_CHECKED : MF_UNCHECKED));
}

LRESULT CViewerDlg::OnGetDispInfo(int, NMHDR* header, bool&) {
  auto* info = reinterpret_cast<NMLVDISPINFOA*>(header);
  LVITEMA& item = info->item;
  if (item.iItem < 0 || static_cast<size_t>(item.iItem) >= m_rows.size() || !(item.mask & LVIF_TEXT)) return 0;
  const EntryRow& row = m_rows[static_cast<size_t>(item.iItem)];
  const std::string& t = item.iSubItem == 0 ? row.name
                         : item.iSubItem == 1 ? row.sizeText
                         : item.iSubItem == 2 ? row.ratioText
                                              : row.dateText;
  if (item.pszText && item.cchTextMax > 0) lstrcpynA(item.pszText, t.c_str(), item.cchTextMax);
  return 0;
}

std::string CViewerDlg::SelectedNameList() const {
  std::string names;
  int i = -1;
  while ((i = static_cast<int>(SendMessageA(List(), LVM_GETNEXTITEM, i, LVNI_SELECTED))) >= 0)
    if (static_cast<size_t>(i) < m_rows.size()) names += " \"" + m_rows[static_cast<size_t>(i)].name + "\"";
  return names;
}

bool CViewerDlg::PreTranslateMessage(MSG* msg) {
  if (msg->message == WM_KEYDOWN) {
    if (m_editingLabel) return false;
    if (msg->wParam == VK_RETURN) return true;
    if (!m_accelerators) m_accelerators = LoadAcceleratorsA(FrameworkResourceHandle(), MAKEINTRESOURCEA(IDR_ACCELERATORS));
    if (m_accelerators && m_hWnd && TranslateAcceleratorA(m_hWnd, m_accelerators, msg)) return true;
  }
  return CDialog::PreTranslateMessage(msg);
}

LRESULT CViewerDlg::OnSize(UINT, WPARAM type, LPARAM, bool& handled) {
  handled = false;
  if (type == SIZE_MINIMIZED || !List() || !GetDlgItem(IDC_EXTRACT)) return 0;
  m_statusBar.Reposition();
  RECT client, button, status;
  GetClientRect(m_hWnd, &client);
  GetWindowRect(GetDlgItem(IDC_EXTRACT), &button);
  MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&button), 2);
  GetWindowRect(m_statusBar.m_hWnd, &status);
  MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&status), 2);
  int top = client.top + button.bottom + 5;
  MoveWindow(List(), client.left + 5, top, client.right - 5 - (client.left + 5), status.top - 2 - top, TRUE);
  // The bar and the list's header draw only what they think changed; after a
  // resize their old right-hand pieces (text end, dividers, the grip) stay behind.
  InvalidateRect(m_statusBar.m_hWnd, nullptr, TRUE);
  if (HWND header = ListView_GetHeader(List())) InvalidateRect(header, nullptr, TRUE);
  return 0;
}

LRESULT CViewerDlg::OnInitMenuPopup(UINT, WPARAM wParam, LPARAM, bool& handled) {
  handled = false;
  bool files = false;
  if (IsClipboardFormatAvailable(CF_HDROP) && OpenClipboard(m_hWnd)) {
    files = GetClipboardData(CF_HDROP) != nullptr;
    CloseClipboard();
  }
  EnableMenuItem(reinterpret_cast<HMENU>(wParam), ID_PASTE_ARCHIVE, MF_BYCOMMAND | (files ? MF_ENABLED : MF_GRAYED));
  const bool copyable = SendMessageA(List(), LVM_GETSELECTEDCOUNT, 0, 0) > 0 && m_archives.Format() != kFormatTar;
  EnableMenuItem(reinterpret_cast<HMENU>(wParam), ID_COPY_ENTRIES, MF_BYCOMMAND | (copyable ? MF_ENABLED : MF_GRAYED));
  return 0;
}

LRESULT CViewerDlg::OnContextMenu(UINT, WPARAM wParam, LPARAM lParam, bool& handled) {
  if (reinterpret_cast<HWND>(wParam) != List()) {
    handled = false;
    return 0;
  }
  int rows = static_cast<int>(SendMessageA(List(), LVM_GETITEMCOUNT, 0, 0));
  int selected = static_cast<int>(SendMessageA(List(), LVM_GETSELECTEDCOUNT, 0, 0));
  int id = rows == 0 ? IDR_EMPTY_MENU : selected > 0 ? IDR_ENTRY_MENU : 0;
  if (!id) return 0;
  POINT pt{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  if (pt.x == -1 && pt.y == -1) GetCursorPos(&pt);
  HMENU menu = LoadMenuA(FrameworkResourceHandle(), MAKEINTRESOURCEA(id));
  TrackPopupMenu(GetSubMenu(menu, 0), TPM_LEFTALIGN | TPM_RIGHTBUTTON, pt.x, pt.y, 0, m_hWnd, nullptr);
  DestroyMenu(menu);
  return 0;
}

LRESULT CViewerDlg::OnDestroy(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;  // the framework's own handling goes first, then the settings
  WINDOWPLACEMENT wp{};
  wp.length = sizeof wp;
  GetWindowPlacement(m_hWnd, &wp);
  const RECT& n = wp.rcNormalPosition;
  m_settings.windowRect = RECT{n.left, n.top, n.right - n.left, n.bottom - n.top};
  for (int i = 0; i < 4; i++)
    m_settings.columnWidths[i] = static_cast<int>(SendMessageA(List(), LVM_GETCOLUMNWIDTH, i, 0));
  SaveViewerSettings(m_settings);
  m_dropTarget.Revoke();
  m_clipboardFiles.AtExit(m_archives.WorkFolder());
  return 0;
}

LRESULT CViewerDlg::OnOpenArchiveFile(WORD, WORD, HWND, bool&) {
  char filter[2048] = {};
  if (m_archives.BuildOpenFilter(filter, sizeof filter) == 0) {
    MessageBoxA(m_hWnd, "DLLがない", "Dexlor", MB_OK);
    return 0;
  }
  std::string file = ChooseExistingFile(m_hWnd, "圧縮ﾌｧｲﾙを選択してください。", filter);
  if (file.empty()) return 0;
  m_currentPath = file;
  LoadArchive();
  return 0;
}

LRESULT CViewerDlg::OnExit(WORD, WORD, HWND, bool&) {
  DeleteTempFiles();
  EndDialog(IDOK);
  return 0;
}

std::string CViewerDlg::ExtractNames() {
  int rows = static_cast<int>(SendMessageA(List(), LVM_GETITEMCOUNT, 0, 0));
  if (rows == 1) {
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(List(), LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&item));
  }
  std::vector<int> selected = SelectedRows();
  if (selected.empty() || (rows > 1 && static_cast<int>(selected.size()) == rows)) return "*.*";
  std::string names;
  for (int row : selected) {
    std::string name = m_rows[static_cast<size_t>(row)].name;
    if (!name.empty() && name[0] == '/') name[0] = '\\';
    names += "\"" + name + "\" ";
  }
  return names;
}

LRESULT CViewerDlg::OnExtract(WORD, WORD, HWND, bool&) {
  const bool quitAfter = ControlHeld();
  CWaitCursor wait;
  SetFocus(List());
  std::string names = ExtractNames();
  CFolderTreeDlg chooser;
  chooser.m_mode = CFolderTreeDlg::kModeExtract;
  chooser.m_initialFolder = m_settings.lastFolder;
  if (chooser.DoModal(m_hWnd) != IDOK) return 0;
  std::string dest = chooser.GetPath();
  sjis::addBackslash(dest);
  m_settings.lastFolder = dest;
  ExtractOptions options{chooser.m_useFolders, chooser.m_overwriteAll, chooser.m_ignoreDate};
  std::string report = m_archives.Extract(names, dest, options);
  if (quitAfter) {
    PostMessageA(m_hWnd, WM_QUIT, 0, 0);
    return 0;
  }
  ShowResult(report);
  return 0;
}

LRESULT CViewerDlg::OnMakeSfx(WORD, WORD, HWND, bool&) {
  const bool quitAfter = ControlHeld();
  SetFocus(List());
  if (SendMessageA(List(), LVM_GETITEMCOUNT, 0, 0) == 0) return 0;
  int kind = kSfxWin95;
  if (m_archives.Format() == kFormatLha) {
    CSfxKindDlg kindDlg;
    if (kindDlg.DoModal(m_hWnd) != IDOK) return 0;
    kind = kindDlg.m_kind;
  }
  CFolderTreeDlg chooser;
  chooser.m_mode = CFolderTreeDlg::kModeCreate;
  size_t cut = sjis::lastBackslash(m_currentPath);
  chooser.m_initialFolder = cut == std::string::npos ? std::string() : m_currentPath.substr(0, cut + 1);
  if (chooser.DoModal(m_hWnd) != IDOK) return 0;
  m_settings.lastFolder = chooser.GetPath();
  std::string dest = chooser.GetPath();
  sjis::addBackslash(dest);
  std::string report;
  {
    CWaitCursor wait;
    report = m_archives.MakeSfx(dest, kind);
  }
  if (quitAfter)
    PostMessageA(m_hWnd, WM_QUIT, 0, 0);
  else if (!report.empty())
    ShowResult(report);
  return 0;
}

void CViewerDlg::OnCancel() {
  DeleteTempFiles();
  CDialog::OnCancel();
}

LRESULT CViewerDlg::OnSelectAll(WORD, WORD, HWND, bool&) {
  SetFocus(List());
  int n = static_cast<int>(SendMessageA(List(), LVM_GETITEMCOUNT, 0, 0));
  LVITEMA item{};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = LVIS_SELECTED | LVIS_FOCUSED;
  for (int i = 0; i < n; i++) SendMessageA(List(), LVM_SETITEMSTATE, i, reinterpret_cast<LPARAM>(&item));
  SetFocus(List());
  return 0;
}

LRESULT CViewerDlg::OnDeselectAll(WORD, WORD, HWND, bool&) {
  int n = static_cast<int>(SendMessageA(List(), LVM_GETITEMCOUNT, 0, 0));
  LVITEMA item{};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = LVIS_FOCUSED;
  for (int i = 0; i < n; i++) SendMessageA(List(), LVM_SETITEMSTATE, i, reinterpret_cast<LPARAM>(&item));
  SetFocus(List());
  return 0;
}

LRESULT CViewerDlg::OnDeleteEntries(WORD, WORD, HWND, bool&) {
  if (!m_archives.CanEdit()) return 0;
  SetFocus(List());
  if (SendMessageA(List(), LVM_GETSELECTEDCOUNT, 0, 0) == 0) return 0;
  std::string names = SelectedNameList();
  if (names.empty()) return 0;
  std::string report = m_archives.DeleteEntries(names);
  if (!report.empty()) ShowResult(report);
  LoadArchive();
  return 0;
}

void CViewerDlg::ShowResult(const std::string& text) {
  CResultDlg dlg;
  dlg.m_text = text;
  dlg.DoModal(m_hWnd);
}

void CViewerDlg::ShowAbout() {
  CAboutDlg dlg;
  dlg.m_viewerPath = m_settings.viewerPath;
  dlg.DoModal(m_hWnd);
}

LRESULT CViewerDlg::OnAbout(WORD, WORD, HWND, bool&) {
  ShowAbout();
  return 0;
}

LRESULT CViewerDlg::OnSortCommand(WORD, WORD id, HWND, bool&) {
  for (int c = 0; c < 4; c++)
    if (kSortCommands[c] == id) SortByColumn(c);
  return 0;
}

LRESULT CViewerDlg::OnColumnClick(int, NMHDR* header, bool&) {
  SortByColumn(reinterpret_cast<NMLISTVIEW*>(header)->iSubItem);
  return 0;
}

LRESULT CViewerDlg::OnListDoubleClick(int, NMHDR*, bool&) {
  SendMessageA(m_hWnd, WM_COMMAND, ID_OPEN_ENTRY, 0);
  return 0;
}

std::vector<int> CViewerDlg::SelectedRows() const {
  std::vector<int> rows;
  for (int i = -1; (i = static_cast<int>(SendMessageA(List(), LVM_GETNEXTITEM, i, LVNI_SELECTED))) >= 0;)
    if (static_cast<size_t>(i) < m_rows.size()) rows.push_back(i);
  return rows;
}

std::string CViewerDlg::NoteWorkFile(int row, std::string& libraryName) {
  libraryName = m_rows[static_cast<size_t>(row)].name;
  size_t cut = sjis::lastOf(libraryName, '/');
  if (cut == std::string::npos) cut = sjis::lastOf(libraryName, '\\');
  if (cut == 0) libraryName[0] = '\\';
  std::string file = cut == std::string::npos ? libraryName : libraryName.substr(cut + 1);
  m_tempFiles.push_back(file);
  return file;
}

std::string CViewerDlg::ExtractRowToWork(int row) {
  std::string name;
  const std::string file = NoteWorkFile(row, name);
  if (!m_archives.ExtractToWork("\"" + name + "\"")) return std::string();
  return m_archives.WorkFolder() + file;
}

std::string CViewerDlg::WorkFileList(const std::vector<int>& rows, std::vector<std::string>& paths,
                                     std::vector<std::string>* fileNames) {
  std::string names;
  for (int row : rows) {
    std::string name;
    const std::string file = NoteWorkFile(row, name);
    names += "\"" + name + "\" ";
    paths.push_back(m_archives.WorkFolder() + file);
    if (fileNames) fileNames->push_back(file);
  }
  return names;
}

LRESULT CViewerDlg::OnCopyEntries(WORD, WORD, HWND, bool&) {
  const std::vector<int> rows = SelectedRows();
  if (rows.empty() || m_archives.Format() == kFormatTar) return 0;
  std::vector<std::string> paths, files;
  const std::string names = WorkFileList(rows, paths, &files);
  size_t offered = 0;
  // Paths that do not fit the block are left out rather than written past it.
  HGLOBAL block = BuildFileListBlock(paths, kFileListBlockSize, &offered);
  if (!block) return 0;
  COleDataSource* source = COleDataSource::Create();
  CWaitCursor wait;
  if (m_archives.ExtractToWork(names)) {
    source->CacheGlobalData(CF_HDROP, block);
    files.resize(offered);
    if (source->SetClipboard()) m_clipboardFiles.Hold(source, files, m_archives.WorkFolder());
  } else {
    GlobalFree(block);
  }
  source->Release();
  return 0;
}

LRESULT CViewerDlg::OnBeginDrag(int, NMHDR*, bool&) {
  const std::vector<int> rows = SelectedRows();
  if (rows.empty()) return 0;
  std::vector<std::string> paths;
  const std::string names = WorkFileList(rows, paths);
  HGLOBAL block = BuildFileListBlock(paths, kFileListBlockSize);
  if (!block) return 0;
  COleDataSource* source = COleDataSource::Create();
  source->CacheGlobalData(CF_HDROP, block);
  m_dropSource.SetCommand(m_archives.BuildWorkExtractCommand(names));  // nothing extracted yet
  m_dropSource.BeginDrag();
  source->DoDragDrop(DROPEFFECT_COPY, &m_dropSource);
  m_dropSource.SetCommand(std::string());
  source->Release();
  return 0;
}

void CViewerDlg::OpenFirstOf(IDataObject* data) {
  const std::vector<std::string> paths = FileListOf(data);
  if (paths.empty()) return;
  m_currentPath = paths.front();
  LoadArchive();
}

void CViewerDlg::OpenDroppedArchive(IDataObject* data) {
  static const CLIPFORMAT idList = static_cast<CLIPFORMAT>(RegisterClipboardFormatA("Shell IDList Array"));
  FORMATETC shellList{idList, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  if (!data || data->QueryGetData(&shellList) != S_OK || !OffersFileList(data)) return;
  OpenFirstOf(data);
}

LRESULT CViewerDlg::OnPasteArchive(WORD, WORD, HWND, bool&) {
  IDataObject* data = nullptr;
  if (FAILED(OleGetClipboard(&data)) || !data) return 0;
  if (OffersFileList(data)) OpenFirstOf(data);
  data->Release();
  return 0;
}

LRESULT CViewerDlg::OnOpenEntry(WORD, WORD, HWND, bool&) {
  CWaitCursor wait;
  for (int row : SelectedRows()) {
    std::string path = ExtractRowToWork(row);
    if (path.empty()) break;
    auto r = reinterpret_cast<INT_PTR>(ShellExecuteA(m_hWnd, "open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (r == SE_ERR_NOASSOC) {
      std::string file = m_tempFiles.back();
      MessageBoxA(m_hWnd, ("関連付けされていません。(" + file + ")").c_str(), "Dexlor", MB_OK);
    }
  }
  return 0;
}

LRESULT CViewerDlg::OnViewEntry(WORD, WORD, HWND, bool&) {
  for (int row : SelectedRows()) {
    std::string path = ExtractRowToWork(row);
    if (!path.empty())
      // Quoted: a work folder with a blank (a user name) would split the path in two.
      ShellExecuteA(m_hWnd, "open", m_settings.viewerPath.c_str(), ("\"" + path + "\"").c_str(), nullptr,
                    SW_SHOWNORMAL);
  }
  return 0;
}

LRESULT CViewerDlg::OnRenameEntry(WORD, WORD, HWND, bool&) {
  if (!m_archives.CanEdit()) return 0;
  std::vector<int> rows = SelectedRows();
  if (rows.empty()) return 0;
  int row = rows.back();
  SetFocus(List());
  if (SendMessageA(List(), LVM_EDITLABELA, static_cast<WPARAM>(row), 0)) return 0;
  // No editor (a library too old for in-place editing): the library asks for the name.
  m_archives.RenameEntry(m_rows[static_cast<size_t>(row)].name, "");
  LoadArchive();
  return 0;
}

LRESULT CViewerDlg::OnBeginLabelEdit(int, NMHDR* header, bool&) {
  auto* info = reinterpret_cast<NMLVDISPINFOA*>(header);
  if (!m_archives.CanEdit() || info->item.iItem < 0 || static_cast<size_t>(info->item.iItem) >= m_rows.size())
    return TRUE;  // refuse: no editor opens
  m_editingLabel = true;
  m_renamingName = m_rows[static_cast<size_t>(info->item.iItem)].name;
  return FALSE;
}

LRESULT CViewerDlg::OnEndLabelEdit(int, NMHDR* header, bool&) {
  m_editingLabel = false;
  auto* info = reinterpret_cast<NMLVDISPINFOA*>(header);
  if (!info->item.pszText) return FALSE;  // cancelled
  std::string newName = info->item.pszText;
  if (m_archives.RenameEntry(m_renamingName, newName)) {
    if (info->item.iItem >= 0 && static_cast<size_t>(info->item.iItem) < m_rows.size())
      m_rows[static_cast<size_t>(info->item.iItem)].name = newName;
    LoadArchive();
  }
  return FALSE;  // the list keeps its own text: the reload shows the result
}

LRESULT CViewerDlg::OnSelectViewer(WORD, WORD, HWND, bool&) {
  std::string file = ChooseExistingFile(m_hWnd, "外部ﾋﾞｭｰﾜを選択してください。", "*.exe\0*.exe\0");
  if (!file.empty()) m_settings.viewerPath = file;
  return 0;
}

LRESULT CViewerDlg::OnAssociate(WORD, WORD, HWND, bool&) {
  HMODULE lib = LoadLibraryA("DexOption.dll");
  if (!lib) return 0;
  using SelectFn = void(WINAPI*)();
  if (auto select = procAddress<SelectFn>(lib, "SelectExtention")) select();
  FreeLibrary(lib);
  return 0;
}

LRESULT CViewerDlg::OnHelp(WORD, WORD, HWND, bool&) {
  ShowHelpTopic("Dexlor1.htm");
  return 0;
}
