// The result window the programs show a library's report in: a read-only text,
// "OK" closes it, "終了" (Cancel, Escape, the close box) ends the program. Each
// program gives its own template, text control and icon.
#pragma once
#include <windows.h>

#include <string>

#include "dialog.h"

class CReportDlg : public CDialog {
 public:
  CReportDlg(UINT templateId, int textId, UINT iconId) : CDialog(templateId), m_textId(textId), m_iconId(iconId) {}
  std::string m_text;  // the library's report, line feeds as the library wrote them

  // Every line feed becomes CR LF, scanning whole Shift-JIS characters.
  static std::string WithCrLf(const std::string& text);

  BEGIN_MSG_MAP(CReportDlg)
    MESSAGE_HANDLER(WM_PAINT, OnPaint)
    MESSAGE_HANDLER(WM_QUERYDRAGICON, OnQueryDragIcon)
    CHAIN_MSG_MAP(CDialog)
  END_MSG_MAP()

 protected:
  BOOL OnInitDialog() override;
  void OnCancel() override;  // posts the quit message to the owner: the program ends
  LRESULT OnPaint(UINT, WPARAM, LPARAM, bool& handled);
  LRESULT OnQueryDragIcon(UINT, WPARAM, LPARAM, bool&);

 private:
  int m_textId;
  UINT m_iconId;
  HICON m_icon = nullptr;
};

// Paints `icon` centred in a minimised window's client area.
void PaintMinimisedIcon(HWND window, HICON icon);
