// The main window in the test's own process, running `script` once it is up and
// closing when the script returns.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "viewer_dlg.h"

class CScriptedViewer : public CViewerDlg {
 public:
  std::function<void(CScriptedViewer&)> script;
  HWND hwnd() const { return m_hWnd; }
  HWND list() const { return GetDlgItem(IDC_ENTRY_LIST); }

 protected:
  BOOL OnInitDialog() override {
    BOOL r = CViewerDlg::OnInitDialog();
    SetTimer(m_hWnd, kScriptTimer, 50, nullptr);
    return r;
  }
  bool ProcessMessage(UINT msg, WPARAM w, LPARAM l, LRESULT& result) override {
    if (msg == WM_TIMER && w == kScriptTimer) {
      KillTimer(m_hWnd, kScriptTimer);
      if (script) script(*this);
      EndDialog(IDOK);
      return true;
    }
    return CViewerDlg::ProcessMessage(msg, w, l, result);
  }

 private:
  static constexpr UINT_PTR kScriptTimer = 77;
};

// The folder holding the test program, with its backslash.
std::string TestBinFolder();
