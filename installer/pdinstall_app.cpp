// pdinstall: one dialog; the program ends when it closes.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include "app.h"
#include "install_dlg.h"

class CInstallApp : public CWinApp {
 public:
  BOOL InitInstance() override {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    // The shell link object needs the component system.
    if (FAILED(OleInitialize(nullptr))) {
      MessageBoxA(nullptr, "Failed to initialize Object Linking and Embedding", CInstallDlg::kTitle, MB_OK);
      return FALSE;
    }
    {
      CInstallDlg dlg;
      dlg.DoModal(nullptr);
    }
    OleUninitialize();
    return FALSE;
  }
};

CInstallApp theApp;
