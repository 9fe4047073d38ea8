// Dexlor's small modal dialogs: version information, the library's report, the
// notice of missing libraries, and the kind of self-extracting archive.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "dialog.h"
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

class CResultDlg : public CDialog {
 public:
  CResultDlg() : CDialog(IDD_RESULT) {}
  std::string m_text;  // the library's report, line feeds as the library wrote them

  // Every line feed becomes CR LF, scanning whole Shift-JIS characters.
  static std::string WithCrLf(const std::string& text);

  BEGIN_MSG_MAP(CResultDlg)
    MESSAGE_HANDLER(WM_PAINT, OnPaint)
    MESSAGE_HANDLER(WM_QUERYDRAGICON, OnQueryDragIcon)
    CHAIN_MSG_MAP(CDialog)
  END_MSG_MAP()

 protected:
  BOOL OnInitDialog() override;
  void OnCancel() override;  // "終了", Escape and the close box end the program
  LRESULT OnPaint(UINT, WPARAM, LPARAM, bool& handled);
  LRESULT OnQueryDragIcon(UINT, WPARAM, LPARAM, bool&);

 private:
  HICON m_icon = nullptr;
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

// Paints `icon` centred in a minimised window's client area.
void PaintMinimisedIcon(HWND window, HICON icon);
