// Pakmo: one window per start, filled from the command line or the clipboard.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include "app.h"
#include "creator_dlg.h"
#include "file_list.h"

class CCreatorApp : public CWinApp {
 public:
  BOOL InitInstance() override {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES | ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    if (FAILED(OleInitialize(nullptr))) {
      MessageBoxA(nullptr, "OLEの初期化ができませんでした。", "Pakmo", MB_OK);
      return FALSE;
    }
    CommandLine line = ParseCommandLine(m_commandLine);
    {
      CCreatorDlg dlg(line.copyMode, line.args);
      dlg.DoModal(nullptr);
    }
    OleUninitialize();
    return FALSE;  // the program ends with its window
  }
};

CCreatorApp theApp;
