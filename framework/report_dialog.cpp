#include "report_dialog.h"

#include "app.h"
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
  m_icon = LoadIconA(FrameworkResourceHandle(), MAKEINTRESOURCEA(m_iconId));
  SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
  SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_icon));
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

void PaintMinimisedIcon(HWND window, HICON icon) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  SendMessageA(window, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  RECT r;
  GetClientRect(window, &r);
  int cx = GetSystemMetrics(SM_CXICON), cy = GetSystemMetrics(SM_CYICON);
  DrawIcon(dc, (r.right - r.left - cx + 1) / 2, (r.bottom - r.top - cy + 1) / 2, icon);
  EndPaint(window, &ps);
}

LRESULT CReportDlg::OnPaint(UINT, WPARAM, LPARAM, bool& handled) {
  if (!IsIconic(m_hWnd)) {
    handled = false;
    return 0;
  }
  PaintMinimisedIcon(m_hWnd, m_icon);
  return 0;
}

LRESULT CReportDlg::OnQueryDragIcon(UINT, WPARAM, LPARAM, bool&) { return reinterpret_cast<LRESULT>(m_icon); }
