#include "folder_tree_dlg.h"

#include <shellapi.h>

#include <algorithm>

#include "app.h"
#include "base/name_chars.h"
#include "folder_paths.h"
#include "item_id_list.h"
#include "shell_memory.h"
#include "sjis.h"
#include "waitcursor.h"
#include "window_position.h"

using foldertree::ShellOwned;
using foldertree::ShellPtr;
using foldertree::WalkStep;

namespace {

// A display name in the ANSI code page, as the shell returns it in any of its forms.
bool DisplayNameText(const STRRET& name, LPCITEMIDLIST id, char (&out)[MAX_PATH]) {
  out[0] = '\0';
  switch (name.uType) {
    case STRRET_WSTR: {
      int n = WideCharToMultiByte(CP_ACP, 0, name.pOleStr, -1, out, MAX_PATH, nullptr, nullptr);
      CoTaskMemFree(name.pOleStr);
      if (n == 0) out[MAX_PATH - 1] = '\0';
      return n != 0;
    }
    case STRRET_OFFSET:
      lstrcpynA(out, reinterpret_cast<const char*>(id) + name.uOffset, MAX_PATH);
      return true;
    case STRRET_CSTR:
      lstrcpynA(out, name.cStr, MAX_PATH);
      return true;
  }
  return false;
}

int SmallIconIndex(LPCITEMIDLIST id, UINT extra) {
  SHFILEINFOA info{};
  SHGetFileInfoA(reinterpret_cast<LPCSTR>(id), 0, &info, sizeof info, SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON | extra);
  return info.iIcon;
}

std::string PathOf(LPCITEMIDLIST id) {
  char path[MAX_PATH] = {};
  if (!id || !SHGetPathFromIDListA(id, path)) return std::string();
  return path;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// A folder name typed in place: one name, nothing that would move the folder elsewhere.
bool IsPlainFolderName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (size_t i = 0; i < name.size(); i = sjis::next(name, i)) {
    const auto c = static_cast<unsigned char>(name[i]);
    if (sjis::isPair(name, i) || c >= 0x80) continue;  // single bytes from 80 up are katakana or broken leads, never controls
    if (c == '\\' || c == '/' || fmt::isForbiddenNameChar(c)) return false;
  }
  return true;
}

}  // namespace

CFolderTreeDlg::CFolderTreeDlg() : CDialog(IDD_FOLDER_TREE) {
  SHGetMalloc(&m_malloc);
  LPITEMIDLIST id = nullptr;
  if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOPDIRECTORY, &id)) && id) {
    m_desktopDir = foldertree::LowerAnsi(PathOf(id));
    if (m_malloc) m_malloc->Free(id);
  }
  if (m_desktopDir.empty()) m_desktopDir = "c:\\";
  id = nullptr;
  if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, &id)) && id) {
    SHFILEINFOA info{};
    if (SHGetFileInfoA(reinterpret_cast<LPCSTR>(id), 0, &info, sizeof info, SHGFI_PIDL | SHGFI_DISPLAYNAME))
      m_desktopName = info.szDisplayName;
    if (m_malloc) m_malloc->Free(id);
  }
  if (m_desktopName.empty()) m_desktopName = "ﾃﾞｽｸﾄｯﾌﾟ";
}

CFolderTreeDlg::~CFolderTreeDlg() {
  if (m_malloc) {
    if (m_desktopId) m_malloc->Free(m_desktopId);
    m_malloc->Release();
  }
}

void CFolderTreeDlg::DoDataExchange(CDataExchange& dx) {
  DDX_Control(dx, IDC_FOLDER_ACCEPT, m_acceptButton);
  DDX_Control(dx, IDC_IGNORE_DATE, m_ignoreDateBox);
  DDX_Control(dx, IDC_OVERWRITE_ALL, m_overwriteAllBox);
  DDX_Control(dx, IDC_USE_FOLDERS, m_useFoldersBox);
  DDX_Control(dx, IDC_FOLDER_PATH, m_pathEdit);
  DDX_Control(dx, IDC_FOLDER_TREE, m_tree);
}

BOOL CFolderTreeDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  SendMessageA(m_useFoldersBox, BM_SETCHECK, BST_CHECKED, 0);

  // The desktop's display name was read by the constructor, with its fallback.
  if (m_malloc && SUCCEEDED(SHGetSpecialFolderLocation(m_hWnd, CSIDL_DESKTOP, &m_desktopId)) && m_desktopId) {
    SHFILEINFOA info{};
    auto images = reinterpret_cast<HIMAGELIST>(SHGetFileInfoA(reinterpret_cast<LPCSTR>(m_desktopId), 0, &info, sizeof info,
                                                              SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    if (images) TreeView_SetImageList(m_tree, images, TVSIL_NORMAL);
  }

  if (!m_initialFolder.empty()) sjis::addBackslash(m_initialFolder);
  RebuildTree(m_initialFolder);

  const bool extracting = m_mode == kModeExtract;
  for (HWND box : {m_useFoldersBox, m_overwriteAllBox, m_ignoreDateBox}) ShowWindow(box, extracting ? SW_SHOW : SW_HIDE);
  SetWindowTextA(m_acceptButton, extracting ? "解凍" : "作成");
  SetWindowTextA(m_hWnd, extracting ? "Dexlor - 解凍先のﾌｫﾙﾀﾞを指定してください。" : "Dexlor - 作成先のﾌｫﾙﾀﾞを指定してください。");
  CentreOverOwner(m_hWnd);
  SetFocus(m_tree);
  return FALSE;  // the focus is set
}

FolderItemData* CFolderTreeDlg::Record(HTREEITEM item) const {
  if (!item) return nullptr;
  TVITEMA t{};
  t.mask = TVIF_HANDLE | TVIF_PARAM;
  t.hItem = item;
  if (!TreeView_GetItem(m_tree, &t)) return nullptr;
  return reinterpret_cast<FolderItemData*>(t.lParam);
}

std::string CFolderTreeDlg::ItemPath(HTREEITEM item) const {
  FolderItemData* record = Record(item);
  return record ? PathOf(record->absoluteId) : std::string();
}

std::string CFolderTreeDlg::ItemText(HTREEITEM item) const {
  char text[MAX_PATH] = {};
  TVITEMA t{};
  t.mask = TVIF_HANDLE | TVIF_TEXT;
  t.hItem = item;
  t.pszText = text;
  t.cchTextMax = sizeof text;
  if (!item || !TreeView_GetItem(m_tree, &t)) return std::string();
  return text;
}

std::string CFolderTreeDlg::ResolveItemFolder(HTREEITEM item) const {
  if (!item) return std::string();
  std::string path = ItemPath(item);
  if (!path.empty()) return path;
  return ItemText(item) == m_desktopName ? m_desktopDir : std::string();
}

void CFolderTreeDlg::RebuildTree(const std::string& path) {
  IShellFolder* desktop = nullptr;
  if (FAILED(SHGetDesktopFolder(&desktop)) || !desktop) return;
  LockWindowUpdate(m_tree);
  TreeView_DeleteAllItems(m_tree);

  TVINSERTSTRUCTA root{};
  root.hParent = TVI_ROOT;
  root.hInsertAfter = TVI_LAST;
  root.item.mask = TVIF_TEXT | TVIF_CHILDREN | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
  root.item.pszText = const_cast<char*>(m_desktopName.c_str());
  root.item.cChildren = 1;
  root.item.iImage = SmallIconIndex(m_desktopId, 0);
  root.item.iSelectedImage = SmallIconIndex(m_desktopId, SHGFI_OPENICON);
  root.item.lParam = 0;
  HTREEITEM rootItem = TreeView_InsertItem(m_tree, &root);
  FillChildren(desktop, nullptr, rootItem);
  desktop->Release();
  TreeView_Expand(m_tree, rootItem, TVE_EXPAND);
  SelectPath(path);
  LockWindowUpdate(nullptr);
}

bool CFolderTreeDlg::FillChildren(IShellFolder* folder, LPCITEMIDLIST parentId, HTREEITEM parent) {
  IEnumIDList* items = nullptr;
  if (!m_malloc || FAILED(folder->EnumObjects(m_hWnd, SHCONTF_FOLDERS, &items)) || !items) return false;
  bool inserted = false;
  HTREEITEM after = TVI_FIRST;
  for (;;) {
    // Every block below is owned from the moment it exists; whatever way the
    // loop is left, what the tree did not take is freed once.
    LPITEMIDLIST next = nullptr;
    ULONG fetched = 0;
    const HRESULT got = items->Next(1, &next, &fetched);
    ShellPtr<ITEMIDLIST> id = ShellOwned(m_malloc, next);
    if (got != S_OK || !id) break;
    ULONG attrs = SFGAO_HASSUBFOLDER | SFGAO_FILESYSTEM | SFGAO_FOLDER;
    LPCITEMIDLIST ids[1] = {id.get()};
    if (FAILED(folder->GetAttributesOf(1, ids, &attrs))) attrs = 0;
    if (!(attrs & (SFGAO_FILESYSTEM | SFGAO_HASSUBFOLDER))) continue;
    ShellPtr<FolderItemData> record =
        ShellOwned(m_malloc, static_cast<FolderItemData*>(m_malloc->Alloc(sizeof(FolderItemData))));
    char name[MAX_PATH];
    STRRET display{};
    if (!record || FAILED(folder->GetDisplayNameOf(id.get(), SHGDN_NORMAL, &display)) ||
        !DisplayNameText(display, id.get(), name))
      break;
    ShellPtr<ITEMIDLIST> absoluteId = ShellOwned(m_malloc, foldertree::CombineIdLists(m_malloc, parentId, id.get()));
    ShellPtr<ITEMIDLIST> relativeId = ShellOwned(m_malloc, foldertree::CopyIdList(m_malloc, id.get()));
    id.reset();
    if (!absoluteId || !relativeId) break;

    std::string text = name;
    std::string path = PathOf(absoluteId.get());
    if (foldertree::IsDriveRoot(path)) text = path;  // the drive, not its display name with the volume label
    record->parentFolder = folder;
    record->relativeId = relativeId.get();
    record->absoluteId = absoluteId.get();
    TVINSERTSTRUCTA ins{};
    ins.hParent = parent;
    ins.hInsertAfter = after;
    ins.item.mask = TVIF_TEXT | TVIF_CHILDREN | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
    ins.item.pszText = const_cast<char*>(text.c_str());
    ins.item.cChildren = (attrs & SFGAO_HASSUBFOLDER) ? 1 : 0;
    ins.item.iImage = SmallIconIndex(record->absoluteId, 0);
    ins.item.iSelectedImage = SmallIconIndex(record->absoluteId, SHGFI_OPENICON);
    ins.item.lParam = reinterpret_cast<LPARAM>(record.get());
    HTREEITEM item = TreeView_InsertItem(m_tree, &ins);
    if (!item) continue;
    // The item holds the record now, with a reference to the folder; OnDeleteItem lets both go.
    folder->AddRef();
    record.release();
    relativeId.release();
    absoluteId.release();
    after = item;
    inserted = true;
  }
  items->Release();
  return inserted;
}

void CFolderTreeDlg::SelectPath(const std::string& path) {
  if (path.empty()) return;
  std::string wanted = foldertree::LowerAnsi(path);
  HTREEITEM root = TreeView_GetRoot(m_tree);
  HTREEITEM start = root ? TreeView_GetChild(m_tree, root) : nullptr;
  if (!start) return;
  switch (foldertree::ChooseWalkStart(wanted, m_desktopDir)) {
    case foldertree::WalkStart::Root: start = root; break;
    case foldertree::WalkStart::SecondChild: start = TreeView_GetNextSibling(m_tree, start); break;
    case foldertree::WalkStart::FirstChild: break;
  }
  if (!start) return;
  TreeView_Expand(m_tree, start, TVE_EXPAND);
  HTREEITEM item = TreeView_GetChild(m_tree, start);
  while (item) {
    switch (foldertree::CompareWalkStep(wanted, ItemPath(item))) {
      case WalkStep::NextSibling:
        item = TreeView_GetNextSibling(m_tree, item);
        break;
      case WalkStep::Found:
        TreeView_EnsureVisible(m_tree, item);
        TreeView_SelectItem(m_tree, item);
        return;
      case WalkStep::Descend:
        TreeView_Expand(m_tree, item, TVE_TOGGLE);
        item = TreeView_GetChild(m_tree, item);
        break;
    }
  }
}

void CFolderTreeDlg::OnOK() {
  HTREEITEM item = Selection();
  if (!item) return;
  std::string path = ItemPath(item);
  if (path.empty()) {
    // A virtual folder other than the desktop has no path to extract to: refused.
    if (ItemText(item) != m_desktopName) return;
    path = m_desktopDir;
  }
  m_path = path;
  m_useFolders = SendMessageA(m_useFoldersBox, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
  m_overwriteAll = SendMessageA(m_overwriteAllBox, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
  m_ignoreDate = SendMessageA(m_ignoreDateBox, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
  EndDialog(IDOK);
}

LRESULT CFolderTreeDlg::OnAccept(WORD, WORD, HWND, bool&) {
  OnOK();
  return 0;
}

bool CFolderTreeDlg::PreTranslateMessage(MSG* msg) {
  if (m_editingLabel && msg->message == WM_KEYDOWN) {
    if (msg->wParam == VK_RETURN) {
      // Enter commits the name: the editor ends when it loses the focus.
      SetFocus(GetNextDlgTabItem(m_hWnd, m_tree, TRUE));
      SetFocus(m_tree);
      return true;
    }
    if (msg->wParam != VK_DELETE) {
      // Escape and the rest belong to the editor, not to the dialog.
      TranslateMessage(msg);
      DispatchMessageA(msg);
      return true;
    }
  }
  return CDialog::PreTranslateMessage(msg);
}

LRESULT CFolderTreeDlg::OnNewFolder(WORD, WORD, HWND, bool&) {
  CWaitCursor wait;
  std::string base = ResolveItemFolder(Selection());
  if (base.empty()) return 0;
  sjis::addBackslash(base);
  std::string path = foldertree::ChooseNewFolderPath(base, Exists);
  if (path.empty()) return 0;
  SECURITY_ATTRIBUTES security{sizeof security, nullptr, TRUE};
  if (!CreateDirectoryA(path.c_str(), &security)) return 0;
  path += '\\';
  SHChangeNotify(SHCNE_MKDIR, SHCNF_PATHA, path.c_str(), nullptr);
  RebuildTree(path);
  for (int attempt = 1; !Selection() && attempt < kNewFolderRebuilds; attempt++) {
    Sleep(500);
    RebuildTree(path);
  }
  if (HTREEITEM item = Selection()) TreeView_EditLabel(m_tree, item);
  return 0;
}

LRESULT CFolderTreeDlg::OnExplorer(WORD, WORD, HWND, bool&) {
  std::string folder = ResolveItemFolder(Selection());
  if (!folder.empty()) ShellExecuteA(m_hWnd, "open", folder.c_str(), "", "", SW_SHOWNORMAL);
  return 0;
}

LRESULT CFolderTreeDlg::OnRefresh(WORD, WORD, HWND, bool&) {
  std::string folder = ResolveItemFolder(Selection());
  if (folder.empty()) return 0;
  sjis::addBackslash(folder);
  RebuildTree(folder);
  return 0;
}

LRESULT CFolderTreeDlg::OnOverwriteAllClicked(WORD code, WORD, HWND, bool& handled) {
  if (code != BN_CLICKED) {
    handled = false;
    return 0;
  }
  bool on = SendMessageA(m_overwriteAllBox, BM_GETCHECK, 0, 0) == BST_CHECKED;
  if (!on) SendMessageA(m_ignoreDateBox, BM_SETCHECK, BST_UNCHECKED, 0);
  EnableWindow(m_ignoreDateBox, on);
  return 0;
}

LRESULT CFolderTreeDlg::OnItemExpanding(int, NMHDR* header, bool&) {
  auto* nm = reinterpret_cast<NMTREEVIEWA*>(header);
  HTREEITEM item = nm->itemNew.hItem;
  if (!(nm->action & TVE_EXPAND) || (TreeView_GetItemState(m_tree, item, TVIS_EXPANDEDONCE) & TVIS_EXPANDEDONCE))
    return FALSE;
  FolderItemData* record = Record(item);
  if (!record) return FALSE;
  bool inserted = false;
  IShellFolder* sub = nullptr;
  if (SUCCEEDED(record->parentFolder->BindToObject(record->relativeId, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&sub))) && sub) {
    inserted = FillChildren(sub, record->absoluteId, item);
    sub->Release();
  }
  if (!inserted) {
    TVITEMA t{};
    t.mask = TVIF_HANDLE | TVIF_CHILDREN;
    t.hItem = item;
    t.cChildren = 0;
    TreeView_SetItem(m_tree, &t);
  }
  TreeView_SortChildren(m_tree, item, FALSE);
  return FALSE;  // always permitted
}

LRESULT CFolderTreeDlg::OnSelectionChanged(int, NMHDR* header, bool&) {
  auto* nm = reinterpret_cast<NMTREEVIEWA*>(header);
  SetWindowTextA(m_pathEdit, ItemPath(nm->itemNew.hItem).c_str());
  return 0;
}

LRESULT CFolderTreeDlg::OnDeleteItem(int, NMHDR* header, bool&) {
  auto* nm = reinterpret_cast<NMTREEVIEWA*>(header);
  auto* record = reinterpret_cast<FolderItemData*>(nm->itemOld.lParam);
  if (!record || !m_malloc) return 0;
  record->parentFolder->Release();
  m_malloc->Free(record->relativeId);
  m_malloc->Free(record->absoluteId);
  m_malloc->Free(record);
  return 0;
}

LRESULT CFolderTreeDlg::OnBeginLabelEdit(int, NMHDR* header, bool&) {
  auto* info = reinterpret_cast<NMTVDISPINFOA*>(header);
  std::string path = ItemPath(info->item.hItem);
  DWORD attrs = path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(path.c_str());
  bool renamable = attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY) &&
                   !(attrs & (FILE_ATTRIBUTE_READONLY | 0x8 /* volume label */));
  if (!renamable) return TRUE;
  m_editingLabel = 1;
  return FALSE;
}

LRESULT CFolderTreeDlg::OnEndLabelEdit(int, NMHDR* header, bool&) {
  m_editingLabel = 0;
  auto* info = reinterpret_cast<NMTVDISPINFOA*>(header);
  if (!info->item.pszText) return FALSE;  // cancelled
  std::string name = info->item.pszText;
  std::string oldPath = ItemPath(info->item.hItem);
  HTREEITEM parent = TreeView_GetParent(m_tree, info->item.hItem);
  std::string newPath;
  if (Record(parent)) {
    newPath = ItemPath(parent);
  } else if (ItemText(parent) == m_desktopName) {
    newPath = m_desktopDir;
  }
  // Without a parent folder on disk, or with a name that is a path, the folder would move elsewhere.
  if (newPath.empty() || oldPath.empty() || !IsPlainFolderName(name)) return FALSE;
  sjis::addBackslash(newPath);
  newPath += name;
  MoveFileA(oldPath.c_str(), newPath.c_str());
  sjis::addBackslash(newPath);
  m_pendingRebuild = newPath;
  PostMessageA(m_hWnd, kRebuildMessage, 0, 0);
  return FALSE;  // the rebuilt tree shows the name from disk
}

LRESULT CFolderTreeDlg::OnDeferredRebuild(UINT, WPARAM, LPARAM, bool&) {
  std::string path;
  path.swap(m_pendingRebuild);
  if (!path.empty()) RebuildTree(path);
  return 0;
}

LRESULT CFolderTreeDlg::OnDestroy(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  TreeView_DeleteAllItems(m_tree);  // the records go while the allocator is still held
  return 0;
}

LRESULT CFolderTreeDlg::OnRightClick(int, NMHDR*, bool&) {
  POINT screen;
  GetCursorPos(&screen);
  TVHITTESTINFO hit{};
  hit.pt = screen;
  ScreenToClient(m_tree, &hit.pt);
  HTREEITEM item = TreeView_HitTest(m_tree, &hit);
  if (!item) return 0;
  TreeView_SelectItem(m_tree, item);
  if (ItemPath(item).empty() && ItemText(item) != m_desktopName) return TRUE;
  HMENU menu = LoadMenuA(FrameworkResourceHandle(), MAKEINTRESOURCEA(IDR_FOLDER_MENU));
  if (!menu) return TRUE;
  TrackPopupMenu(GetSubMenu(menu, 0), TPM_LEFTALIGN | TPM_RIGHTBUTTON, screen.x, screen.y, 0, m_hWnd, nullptr);
  DestroyMenu(menu);
  return TRUE;
}
