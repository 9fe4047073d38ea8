// CInstallDlg: the install folder, browse, and the installation itself.
#pragma once
#include <string>

#include "dialog.h"
#include "install_ids.h"

class CInstallDlg : public CDialog {
 public:
  CInstallDlg() : CDialog(IDD_INSTALL) {}

  std::string m_folder;

  static constexpr char kTitle[] = "pdinstall";

  BEGIN_MSG_MAP(CInstallDlg)
    COMMAND_ID_HANDLER(IDC_BROWSE, OnBrowse)
    COMMAND_ID_HANDLER(IDC_INSTALL, OnInstall)
    CHAIN_MSG_MAP(CDialog)
  END_MSG_MAP()

 protected:
  BOOL OnInitDialog() override;
  // Enter in the edit box presses the default button, OK: the installation.
  void OnOK() override;

 private:
  LRESULT OnBrowse(WORD, WORD, HWND, bool&);
  LRESULT OnInstall(WORD, WORD, HWND, bool&);
  void Install();
  void Fail(const char* message);
  int Message(const char* text, UINT type = MB_OK);

  HICON m_icon = nullptr;
};
