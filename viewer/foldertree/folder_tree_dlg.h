// The viewer's destination folder chooser: the shell namespace as a tree from
// the desktop, with new folders, rename in place, Explorer and refresh; returns
// the chosen folder and, when extracting, the three extraction options.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <string>

#include "dialog.h"
#include "folder_tree_resource.h"

// The record of every tree item but the desktop, allocated with the shell allocator.
struct FolderItemData {
  IShellFolder* parentFolder;   // one counted reference
  LPITEMIDLIST relativeId;      // owned
  LPITEMIDLIST absoluteId;      // owned
};

class CFolderTreeDlg : public CDialog {
 public:
  static constexpr int kModeExtract = 0;
  static constexpr int kModeCreate = 100;
  // Rebuilds after a new folder while the walk selects nothing: 500 ms apart,
  // then the folder is left unselected (it exists on disk in any case).
  static constexpr int kNewFolderRebuilds = 4;

  CFolderTreeDlg();
  ~CFolderTreeDlg() override;

  std::string GetPath() const { return m_path; }
  bool PreTranslateMessage(MSG* msg) override;

  std::string m_path;
  HWND m_acceptButton = nullptr, m_ignoreDateBox = nullptr, m_overwriteAllBox = nullptr,
       m_useFoldersBox = nullptr, m_pathEdit = nullptr, m_tree = nullptr;
  LPITEMIDLIST m_desktopId = nullptr;
  int m_ignoreDate = 0;
  int m_overwriteAll = 0;
  int m_useFolders = 0;
  int m_mode = kModeExtract;
  std::string m_desktopName;
  std::string m_desktopDir;
  std::string m_initialFolder;
  int m_editingLabel = 0;

  // The file-system path of an item: "" for the desktop and virtual folders.
  std::string ItemPath(HTREEITEM item) const;
  // The item's folder as new folder, Explorer and refresh use it ("" for none).
  std::string ResolveItemFolder(HTREEITEM item) const;
  std::string ItemText(HTREEITEM item) const;
  void RebuildTree(const std::string& path);
  void SelectPath(const std::string& path);

  BEGIN_MSG_MAP(CFolderTreeDlg)
    MESSAGE_HANDLER(kRebuildMessage, OnDeferredRebuild)
    MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
    COMMAND_ID_HANDLER(IDC_FOLDER_ACCEPT, OnAccept)
    COMMAND_ID_HANDLER(IDC_NEW_FOLDER, OnNewFolder)
    COMMAND_ID_HANDLER(ID_FOLDER_NEW, OnNewFolder)
    COMMAND_ID_HANDLER(ID_FOLDER_EXPLORER, OnExplorer)
    COMMAND_ID_HANDLER(ID_FOLDER_REFRESH, OnRefresh)
    COMMAND_ID_HANDLER(IDC_OVERWRITE_ALL, OnOverwriteAllClicked)
    NOTIFY_HANDLER(IDC_FOLDER_TREE, TVN_ITEMEXPANDINGA, OnItemExpanding)
    NOTIFY_HANDLER(IDC_FOLDER_TREE, TVN_SELCHANGEDA, OnSelectionChanged)
    NOTIFY_HANDLER(IDC_FOLDER_TREE, TVN_DELETEITEMA, OnDeleteItem)
    NOTIFY_HANDLER(IDC_FOLDER_TREE, TVN_BEGINLABELEDITA, OnBeginLabelEdit)
    NOTIFY_HANDLER(IDC_FOLDER_TREE, TVN_ENDLABELEDITA, OnEndLabelEdit)
    NOTIFY_HANDLER(IDC_FOLDER_TREE, NM_RCLICK, OnRightClick)
    CHAIN_MSG_MAP(CDialog)
  END_MSG_MAP()

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;
  void DoDataExchange(CDataExchange& dx) override;

 private:
  // A rename's rebuild runs after the tree has finished its end-of-edit
  // notification: rebuilding inside it would delete the item being edited.
  static constexpr UINT kRebuildMessage = WM_APP + 1;

  bool FillChildren(IShellFolder* folder, LPCITEMIDLIST parentId, HTREEITEM parent);
  HTREEITEM Selection() const { return TreeView_GetSelection(m_tree); }
  FolderItemData* Record(HTREEITEM item) const;

  LRESULT OnDeferredRebuild(UINT, WPARAM, LPARAM, bool&);
  LRESULT OnDestroy(UINT, WPARAM, LPARAM, bool&);
  LRESULT OnAccept(WORD, WORD, HWND, bool&);
  LRESULT OnNewFolder(WORD, WORD, HWND, bool&);
  LRESULT OnExplorer(WORD, WORD, HWND, bool&);
  LRESULT OnRefresh(WORD, WORD, HWND, bool&);
  LRESULT OnOverwriteAllClicked(WORD, WORD, HWND, bool&);
  LRESULT OnItemExpanding(int, NMHDR*, bool&);
  LRESULT OnSelectionChanged(int, NMHDR*, bool&);
  LRESULT OnDeleteItem(int, NMHDR*, bool&);
  LRESULT OnBeginLabelEdit(int, NMHDR*, bool&);
  LRESULT OnEndLabelEdit(int, NMHDR*, bool&);
  LRESULT OnRightClick(int, NMHDR*, bool&);

  IMalloc* m_malloc = nullptr;
  std::string m_pendingRebuild;
};
