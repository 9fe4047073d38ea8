#include "icon_dialog.h"

#include "app.h"

CIconDialog::CIconDialog(UINT templateId, UINT iconId)
    : CDialog(templateId), m_icon(LoadIconA(FrameworkResourceHandle(), MAKEINTRESOURCEA(iconId))) {}

void CIconDialog::ShowIcon() const {
  SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
  SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_icon));
}

void CIconDialog::AddAboutToSystemMenu(UINT stringId, UINT command) {
  char about[256] = {};
  LoadStringA(FrameworkResourceHandle(), stringId, about, sizeof about);
  if (!about[0]) return;
  HMENU sys = GetSystemMenu(m_hWnd, FALSE);
  AppendMenuA(sys, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(sys, MF_STRING, command, about);
  m_aboutCommand = command;
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

LRESULT CIconDialog::OnPaint(UINT, WPARAM, LPARAM, bool& handled) {
  if (!IsIconic(m_hWnd)) {
    handled = false;
    return 0;
  }
  PaintMinimisedIcon(m_hWnd, m_icon);
  return 0;
}

LRESULT CIconDialog::OnQueryDragIcon(UINT, WPARAM, LPARAM, bool&) { return reinterpret_cast<LRESULT>(m_icon); }

LRESULT CIconDialog::OnSysCommand(UINT, WPARAM wParam, LPARAM, bool& handled) {
  if (m_aboutCommand && (wParam & 0xFFF0) == m_aboutCommand) {
    OnAbout();
    return 0;
  }
  handled = false;
  return 0;
}
