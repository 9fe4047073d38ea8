// Pakmo's main window: the files to archive, the format and its options, and
// the compress command.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <string>
#include <vector>

#include "archive_creator.h"
#include "dialog.h"
#include "file_drop_target.h"
#include "file_list.h"
#include "long_path.h"
#include "report_dialog.h"
#include "resource.h"
#include "statusbar.h"

// The library's report after compressing; "終了" ends the program.
class CResultDlg : public CReportDlg {
 public:
  CResultDlg() : CReportDlg(IDD_RESULT, IDC_RESULT_TEXT, IDR_MAINFRAME) {}
};

class CCreatorDlg : public CDialog {
 public:
  // `copyMode`: the list comes from the clipboard; else from `args`.
  CCreatorDlg(bool copyMode, std::vector<std::string> args);
  ~CCreatorDlg() override;

  // Intake: each replaces the list (the command line fills the empty one).
  void AddCommandLineFiles();
  void OnSelectFiles();
  void OnPaste();
  void AddDroppedFiles(IDataObject* data);
  // Adds one path as the command line and a drop do; true when it is a folder.
  bool AddPath(const std::string& path);
  void ClearList();

  // Format switches and the level controls that follow the method.
  void OnSelectLha();
  void OnSelectCab();
  void OnSelectTar();
  void UpdateLevelControls();
  CreateOptions ReadOptions() const;
  int FormatFromButtons() const;

  // Asks for the archive's name, runs the library, shows its report.
  void OnCompress();
  // The archive-name dialog; "" when cancelled.
  std::string AskArchiveName(int methodIndex);
  void ShowResult(const std::string& text);
  std::string BuildNameList() const;

  bool PreTranslateMessage(MSG* msg) override;

  CFileDropTarget m_dropTarget;
  CStatusBar m_statusBar;
  HICON m_icon = nullptr;
  int m_width = 0, m_height = 0, m_left = 100, m_top = 100;
  SortedPaths m_pathList;
  std::string m_baseFolder;
  CArchiveCreator m_archivers;
  bool m_copyMode;
  std::vector<std::string> m_argList;

  BEGIN_MSG_MAP(CCreatorDlg)
    MESSAGE_HANDLER(WM_SYSCOMMAND, OnSysCommand)
    MESSAGE_HANDLER(WM_PAINT, OnPaint)
    MESSAGE_HANDLER(WM_QUERYDRAGICON, OnQueryDragIcon)
    MESSAGE_HANDLER(WM_INITMENUPOPUP, OnInitMenuPopup)
    MESSAGE_HANDLER(WM_HSCROLL, OnHScroll)
    MESSAGE_HANDLER(WM_MOVE, OnMove)
    MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
    MESSAGE_HANDLER(WM_HELP, OnContextHelp)
    COMMAND_ID_HANDLER(IDC_COMPRESS, OnCommand)
    COMMAND_ID_HANDLER(ID_COMPRESS, OnCommand)
    COMMAND_ID_HANDLER(ID_SELECT_FILES, OnCommand)
    COMMAND_ID_HANDLER(ID_PASTE, OnCommand)
    COMMAND_ID_HANDLER(ID_HELP_TOPICS, OnCommand)
    COMMAND_ID_HANDLER(ID_APP_ABOUT, OnCommand)
    COMMAND_ID_HANDLER(ID_APP_EXIT, OnCommand)
    COMMAND_ID_HANDLER(IDC_FORMAT_LHA, OnCommand)
    COMMAND_ID_HANDLER(IDC_FORMAT_CAB, OnCommand)
    COMMAND_ID_HANDLER(IDC_FORMAT_TAR, OnCommand)
    COMMAND_ID_HANDLER(IDC_METHOD, OnMethodCommand)
    CHAIN_MSG_MAP(CDialog)
  END_MSG_MAP()

 protected:
  BOOL OnInitDialog() override;

 private:
  LRESULT OnSysCommand(UINT, WPARAM, LPARAM, bool&);
  LRESULT OnPaint(UINT, WPARAM, LPARAM, bool&);
  LRESULT OnQueryDragIcon(UINT, WPARAM, LPARAM, bool&);
  LRESULT OnInitMenuPopup(UINT, WPARAM, LPARAM, bool&);
  LRESULT OnHScroll(UINT, WPARAM, LPARAM, bool&);
  LRESULT OnMove(UINT, WPARAM, LPARAM, bool&);
  LRESULT OnDestroy(UINT, WPARAM, LPARAM, bool&);
  LRESULT OnContextHelp(UINT, WPARAM, LPARAM, bool&) { return TRUE; }  // help is command 32777 only
  LRESULT OnCommand(WORD, WORD id, HWND, bool&);
  LRESULT OnMethodCommand(WORD code, WORD, HWND, bool& handled);

  void ShowAbout();
  void ShowHelp();
  void ChooseStartFormat();
  void SetFormatControls(int format, const char* const rows[3]);
  void SetLevelRange(bool enable, int low = 0, int high = 0, int position = 0);
  void ListChanged();  // compress enabled by button and menu
  void ShowCount();    // the number of listed paths in the status bar
  void PauseListDrawing(bool pause);
  void SavePosition() const;

  HACCEL m_accelerators = nullptr;
  LongPathResolver m_resolver;
  bool m_firstMoveSeen = false;
};
