#include "dialog.h"

#include <commctrl.h>

#include <vector>

#include "app.h"

CDialog::~CDialog() {
  if (m_hWnd) {
    SetWindowLongPtrA(m_hWnd, DWLP_USER, 0);
    ::DestroyWindow(m_hWnd);
  }
}

INT_PTR CDialog::DoModal(HWND parent) {
  m_modal = true;
  m_ended = false;
  m_result = -1;
  HWND created = CreateDialogParamA(FrameworkResourceHandle(), MAKEINTRESOURCEA(m_idd), parent, DialogProc,
                                    reinterpret_cast<LPARAM>(this));
  if (!created) {
    m_modal = false;
    return -1;
  }
  // The dialog may have ended inside its initialisation.
  bool parentDisabled = false;
  if (!m_ended && parent && IsWindowEnabled(parent)) {
    EnableWindow(parent, FALSE);
    parentDisabled = true;
  }
  INT_PTR result = RunModalLoop();
  if (parentDisabled) EnableWindow(parent, TRUE);
  if (parent && GetActiveWindow() == m_hWnd) SetActiveWindow(parent);
  if (m_hWnd) ::DestroyWindow(m_hWnd);
  m_modal = false;
  return result;
}

INT_PTR CDialog::RunModalLoop() {
  if (!m_ended && m_hWnd && !IsWindowVisible(m_hWnd)) ShowWindow(m_hWnd, SW_SHOWNORMAL);
  MSG msg;
  while (!m_ended) {
    BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0) {  // WM_QUIT: end the dialog and let the outer loop see it too
      PostQuitMessage(static_cast<int>(msg.wParam));
      if (!m_ended) m_result = IDCANCEL;
      break;
    }
    if (got < 0) break;
    if (PreTranslateMessage(&msg)) continue;
    if (m_hWnd && IsDialogMessageA(m_hWnd, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return m_result;
}

bool CDialog::Create(HWND parent) {
  m_modal = false;
  m_ended = false;
  return CreateDialogParamA(FrameworkResourceHandle(), MAKEINTRESOURCEA(m_idd), parent, DialogProc,
                            reinterpret_cast<LPARAM>(this)) != nullptr;
}

void CDialog::EndDialog(INT_PTR result) {
  m_result = result;
  m_ended = true;
  if (m_modal) {
    if (m_hWnd) PostMessageA(m_hWnd, WM_NULL, 0, 0);  // wake the loop
  } else {
    DestroyWindow();
  }
}

void CDialog::DestroyWindow() {
  if (m_hWnd) ::DestroyWindow(m_hWnd);
}

std::string CDialog::GetDlgItemText(int id) const {
  HWND item = GetDlgItem(id);
  if (!item) return std::string();
  int len = GetWindowTextLengthA(item);
  std::vector<char> buf(static_cast<size_t>(len) + 2, '\0');
  GetWindowTextA(item, buf.data(), len + 1);
  return std::string(buf.data());
}

bool CDialog::UpdateData(bool save) {
  if (!m_hWnd) return false;
  CDataExchange dx(m_hWnd, save);
  DoDataExchange(dx);
  return !dx.m_failed;
}

bool CDialog::PreTranslateMessage(MSG*) { return false; }

BOOL CDialog::OnInitDialog() {
  UpdateData(false);
  return TRUE;
}

void CDialog::OnOK() {
  if (!UpdateData(true)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

bool CDialog::ProcessMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

namespace {
// Messages whose dialog-procedure result is the value itself, not a TRUE/FALSE flag.
bool returnsValueDirectly(UINT msg) {
  switch (msg) {
    case WM_CTLCOLORMSGBOX: case WM_CTLCOLOREDIT: case WM_CTLCOLORLISTBOX: case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG: case WM_CTLCOLORSCROLLBAR: case WM_CTLCOLORSTATIC: case WM_COMPAREITEM:
    case WM_VKEYTOITEM: case WM_CHARTOITEM: case WM_QUERYDRAGICON: case WM_INITDIALOG:
      return true;
    default:
      return false;
  }
}
}  // namespace

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  CDialog* self;
  if (msg == WM_INITDIALOG) {
    self = reinterpret_cast<CDialog*>(lParam);
    SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    self->m_hWnd = hwnd;
    LRESULT mapped = 0;
    if (self->ProcessMessage(msg, wParam, lParam, mapped)) return mapped;
    return self->OnInitDialog();
  }
  self = reinterpret_cast<CDialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  if (!self) return FALSE;

  LRESULT result = 0;
  if (self->ProcessMessage(msg, wParam, lParam, result)) {
    if (returnsValueDirectly(msg)) return static_cast<INT_PTR>(result);
    SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, result);
    return TRUE;
  }
  switch (msg) {
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK && HIWORD(wParam) == BN_CLICKED) {
        self->OnOK();
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        self->OnCancel();
        return TRUE;
      }
      break;
    case WM_NCDESTROY:
      SetWindowLongPtrA(hwnd, DWLP_USER, 0);
      self->m_hWnd = nullptr;
      self->OnFinalRelease();
      return FALSE;
  }
  return FALSE;
}
