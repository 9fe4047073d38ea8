#include "report_dialog.h"

#include "sjis.h"
#include "window_position.h"

std::string CReportDlg::WithCrLf(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (size_t i = 0; i < text.size();) {
    const size_t len = sjis::charLength(text, i);
    if (len == 1 && text[i] == '\n') out += '\r';
    out.append(text, i, len);
    i += len;
  }
  return out;
}

BOOL CReportDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  ShowIcon();
  SetDlgItemText(m_textId, WithCrLf(m_text));
  CentreOverOwner(m_hWnd);
  // The report to read, caret at its start: the dialog manager would select it all.
  HWND edit = GetDlgItem(m_textId);
  SetFocus(edit);
  SendMessageA(edit, EM_SETSEL, 0, 0);
  SendMessageA(edit, EM_SCROLLCARET, 0, 0);
  return FALSE;
}

void CReportDlg::OnCancel() {
  // Ends the program: the main window sees the quit message once this dialog is gone.
  HWND owner = GetWindow(m_hWnd, GW_OWNER);
  if (owner)
    PostMessageA(owner, WM_QUIT, 0, 0);
  else
    PostQuitMessage(0);
  CDialog::OnCancel();
}
