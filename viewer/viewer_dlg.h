// Dexlor's main window: the entry list of one archive, its buttons, menus,
// status line and settings.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "archive_drop_target.h"
#include "archive_manager.h"
#include "clipboard_files.h"
#include "deferred_drop_source.h"
#include "dialog.h"
#include "resource.h"
#include "statusbar.h"
#include "viewer_settings.h"

struct EntryRow {
  std::string name;  // as the library reports it
  uint64_t size = 0;
  std::string sizeText, ratioText, dateText;
};

class CViewerDlg : public CDialog {
 public:
  CViewerDlg() : CDialog(IDD_DEXLOR_DIALOG) {}
  ~CViewerDlg() override;

  void LoadArchive();
  void EnableArchiveControls(bool enable);
  void SortByColumn(int column);
  std::string SelectedNameList() const;
  void DeleteTempFiles();
  // A data object dropped on the window: the first file of a list dragged
  // from the shell (it offers "Shell IDList Array" too) is opened.
  void OpenDroppedArchive(IDataObject* data);
  const CArchiveDropTarget& DropTarget() const { return m_dropTarget; }
  const CDeferredDropSource& DropSource() const { return m_dropSource; }

  bool PreTranslateMessage(MSG* msg) override;

  CArchiveManager m_archives;
  std::string m_currentPath;
  std::vector<std::string> m_tempFiles;
  ViewerSettings m_settings;
  bool m_editingLabel = false;
  std::string m_renamingName;  // the name of the row being renamed in place
  // The rows in list order: the list holds no texts of its own and asks for them
  // (a virtual list), so that a hundred thousand entries load at once.
  std::vector<EntryRow> m_rows;

  // Per column: the next sort is ascending. Shared by the process, never reset.
  static bool s_sortAscendingNext[4];

  BEGIN_MSG_MAP(CViewerDlg)
    MESSAGE_HANDLER(WM_SIZE, OnSize)
    MESSAGE_HANDLER(WM_SYSCOMMAND, OnSysCommand)
    MESSAGE_HANDLER(WM_PAINT, OnPaint)
    MESSAGE_HANDLER(WM_QUERYDRAGICON, OnQueryDragIcon)
    MESSAGE_HANDLER(WM_INITMENUPOPUP, OnInitMenuPopup)
    MESSAGE_HANDLER(WM_CONTEXTMENU, OnContextMenu)
    MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
    COMMAND_ID_HANDLER(ID_OPEN_ARCHIVE, OnOpenArchiveFile)
    COMMAND_ID_HANDLER(ID_APP_EXIT, OnExit)
    COMMAND_ID_HANDLER(IDC_EXTRACT, OnExtract)
    COMMAND_ID_HANDLER(ID_MAKE_SFX, OnMakeSfx)
    COMMAND_ID_HANDLER(IDC_SELECT_ALL, OnSelectAll)
    COMMAND_ID_HANDLER(IDC_DESELECT_ALL, OnDeselectAll)
    COMMAND_ID_HANDLER(ID_EDIT_CLEAR, OnDeleteEntries)
    COMMAND_ID_HANDLER(ID_APP_ABOUT, OnAbout)
    COMMAND_ID_HANDLER(ID_OPEN_ENTRY, OnOpenEntry)
    COMMAND_ID_HANDLER(ID_VIEW_ENTRY, OnViewEntry)
    COMMAND_ID_HANDLER(ID_RENAME_ENTRY, OnRenameEntry)
    COMMAND_ID_HANDLER(ID_OPTION_VIEWER, OnSelectViewer)
    COMMAND_ID_HANDLER(ID_ASSOCIATE, OnAssociate)
    COMMAND_ID_HANDLER(ID_HELP_TOPICS, OnHelp)
    COMMAND_ID_HANDLER(ID_COPY_ENTRIES, OnCopyEntries)
    COMMAND_ID_HANDLER(ID_PASTE_ARCHIVE, OnPasteArchive)
    COMMAND_ID_HANDLER(ID_SORT_NAME, OnSortCommand)
    COMMAND_ID_HANDLER(ID_SORT_SIZE, OnSortCommand)
    COMMAND_ID_HANDLER(ID_SORT_RATIO, OnSortCommand)
    COMMAND_ID_HANDLER(ID_SORT_DATE, OnSortCommand)
    NOTIFY_HANDLER(IDC_ENTRY_LIST, LVN_GETDISPINFOA, OnGetDispInfo)
    NOTIFY_HANDLER(IDC_ENTRY_LIST, LVN_COLUMNCLICK, OnColumnClick)
    NOTIFY_HANDLER(IDC_ENTRY_LIST, LVN_BEGINDRAG, OnBeginDrag)
    NOTIFY_HANDLER(IDC_ENTRY_LIST, NM_DBLCLK, OnListDoubleClick)
    NOTIFY_HANDLER(IDC_ENTRY_LIST, LVN_BEGINLABELEDITA, OnBeginLabelEdit)
    NOTIFY_HANDLER(IDC_ENTRY_LIST, LVN_ENDLABELEDITA, OnEndLabelEdit)
    CHAIN_MSG_MAP(CDialog)
  END_MSG_MAP()

 protected:
  BOOL OnInitDialog() override;
  // The close box and Escape: the work-folder files go as with Exit, so that
  // nothing extracted for opening is left behind.
  void OnCancel() override;

 private:
  LRESULT OnSize(UINT, WPARAM, LPARAM, bool&);
  LRESULT OnSysCommand(UINT, WPARAM, LPARAM, bool&);
  LRESULT OnPaint(UINT, WPARAM, LPARAM, bool&);
  LRESULT OnQueryDragIcon(UINT, WPARAM, LPARAM, bool&);
  LRESULT OnInitMenuPopup(UINT, WPARAM, LPARAM, bool&);
  LRESULT OnContextMenu(UINT, WPARAM, LPARAM, bool&);
  LRESULT OnDestroy(UINT, WPARAM, LPARAM, bool&);
  LRESULT OnOpenArchiveFile(WORD, WORD, HWND, bool&);
  LRESULT OnExit(WORD, WORD, HWND, bool&);
  LRESULT OnExtract(WORD, WORD, HWND, bool&);
  LRESULT OnMakeSfx(WORD, WORD, HWND, bool&);
  LRESULT OnSelectAll(WORD, WORD, HWND, bool&);
  LRESULT OnDeselectAll(WORD, WORD, HWND, bool&);
  LRESULT OnDeleteEntries(WORD, WORD, HWND, bool&);
  LRESULT OnAbout(WORD, WORD, HWND, bool&);
  LRESULT OnOpenEntry(WORD, WORD, HWND, bool&);
  LRESULT OnViewEntry(WORD, WORD, HWND, bool&);
  LRESULT OnRenameEntry(WORD, WORD, HWND, bool&);
  LRESULT OnSelectViewer(WORD, WORD, HWND, bool&);
  LRESULT OnAssociate(WORD, WORD, HWND, bool&);
  LRESULT OnHelp(WORD, WORD, HWND, bool&);
  LRESULT OnSortCommand(WORD, WORD id, HWND, bool&);
  LRESULT OnCopyEntries(WORD, WORD, HWND, bool&);
  LRESULT OnPasteArchive(WORD, WORD, HWND, bool&);
  LRESULT OnBeginDrag(int, NMHDR*, bool&);
  LRESULT OnGetDispInfo(int, NMHDR*, bool&);
  LRESULT OnColumnClick(int, NMHDR*, bool&);
  LRESULT OnListDoubleClick(int, NMHDR*, bool&);
  LRESULT OnBeginLabelEdit(int, NMHDR*, bool&);
  LRESULT OnEndLabelEdit(int, NMHDR*, bool&);

  void InsertColumns();
  // What extraction passes as names: the selected rows in list form, or "*.*"
  // for all of them or none; a lone row is selected first.
  std::string ExtractNames();
  std::vector<int> SelectedRows() const;
  // The entry-name handling of open and view: records the file name in
  // m_tempFiles, extracts the entry into the work folder, and returns the file's
  // path there ("" when the extraction could not run).
  std::string ExtractRowToWork(int row);
  // Steps 1 to 3 of that handling for one row: the file name in the work folder
  // (recorded in m_tempFiles), and in `libraryName` the name the library is given.
  std::string NoteWorkFile(int row, std::string& libraryName);
  // The entry-name handling for rows leaving the viewer: each row's file name
  // recorded in m_tempFiles and its work-folder path in `paths`; the quoted
  // names in list form in the result.
  std::string WorkFileList(const std::vector<int>& rows, std::vector<std::string>& paths,
                           std::vector<std::string>* fileNames = nullptr);
  // Loads the first file of a file list (the clipboard's or a drop's).
  void OpenFirstOf(IDataObject* data);
  void ShowAbout();
  void SetStatus(const std::string& text) { m_statusBar.SetText(text); }
  void ShowResult(const std::string& text);
  HWND List() const { return GetDlgItem(IDC_ENTRY_LIST); }

  CArchiveDropTarget m_dropTarget;
  CDeferredDropSource m_dropSource{m_archives};
  CClipboardFiles m_clipboardFiles;
  CStatusBar m_statusBar;
  HICON m_icon = nullptr;
  HACCEL m_accelerators = nullptr;
};

extern CViewerDlg* g_viewerDlg;
