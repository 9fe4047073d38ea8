// Dexlor's small modal dialogs: version information, the library's report, the
// notice of missing libraries, and the kind of self-extracting archive.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "dialog.h"
#include "report_dialog.h"
#include "resource.h"

class CAboutDlg : public CDialog {
 public:
  CAboutDlg() : CDialog(IDD_ABOUTBOX) {}
  ~CAboutDlg() override;
  std::string m_viewerPath;  // set by the opener
  SHFILEINFOA m_viewerInfo{};

  // "UNLHA32.DLL Ver1.42": the hundredths without a leading zero.
  static std::string VersionLine(const char* file, unsigned version);

 protected:
  BOOL OnInitDialog() override;
};

// The library's report; "終了" ends the program.
class CResultDlg : public CReportDlg {
 public:
  CResultDlg() : CReportDlg(IDD_RESULT, IDC_TEXT, IDR_MAINFRAME) {}
};

class CNoticeDlg : public CDialog {
 public:
  CNoticeDlg() : CDialog(IDD_NOTICE) {}
  std::string m_text;
  int m_hide = 0;  // the check box when closed with OK

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;
};

class CSfxKindDlg : public CDialog {
 public:
  CSfxKindDlg() : CDialog(IDD_SFX_KIND) {}
  int m_kind = 1;

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;
};
