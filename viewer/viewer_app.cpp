// Dexlor: the application object runs the main window modally and ends with it.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include "app.h"
#include "viewer_dlg.h"

class CViewerApp : public CWinApp {
 public:
  BOOL InitInstance() override {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_TREEVIEW_CLASSES |
                                             ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    if (FAILED(OleInitialize(nullptr))) {
      MessageBoxA(nullptr, "Failed to initialize Object Linking and Embedding", "Dexlor", MB_OK);
      return FALSE;
    }
    {
      CViewerDlg dlg;
      dlg.DoModal(nullptr);
    }
    OleUninitialize();
    return FALSE;  // no application message loop follows the dialog
  }
};

CViewerApp theApp;
