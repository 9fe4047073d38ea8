// The dialog base: a dialog bound to a numeric template id, with a message map,
// modal and modeless use, message pre-translation and data exchange.
//
// A dialog class lists its handlers in a map:
//   BEGIN_MSG_MAP(CMyDlg)
//     MESSAGE_HANDLER(WM_SIZE, OnSize)
//     COMMAND_ID_HANDLER(IDC_RUN, OnRun)
//     NOTIFY_HANDLER(IDC_LIST, LVN_COLUMNCLICK, OnColumnClick)
//     CHAIN_MSG_MAP(CDialog)
//   END_MSG_MAP()
// with handlers of the forms
//   LRESULT OnSize(UINT msg, WPARAM, LPARAM, bool& handled);
//   LRESULT OnRun(WORD notifyCode, WORD id, HWND control, bool& handled);
//   LRESULT OnColumnClick(int id, NMHDR* header, bool& handled);
// A handler that clears `handled` lets the message go on down the map.
#pragma once
#include <windows.h>

#include <string>

#include "dataexchange.h"

class CDialog {
 public:
  explicit CDialog(UINT templateId) : m_idd(templateId) {}
  virtual ~CDialog();
  CDialog(const CDialog&) = delete;
  CDialog& operator=(const CDialog&) = delete;

  // Modal: runs the framework's own loop, so that PreTranslateMessage sees every
  // message (accelerators, keyboard filters); returns the EndDialog result, or -1
  // when the template cannot be created.
  INT_PTR DoModal(HWND parent = nullptr);
  // Modeless: the caller's loop must call PreTranslateMessage and IsDialogMessage.
  bool Create(HWND parent = nullptr);
  void EndDialog(INT_PTR result);
  void DestroyWindow();

  HWND GetSafeHwnd() const { return m_hWnd; }
  UINT TemplateId() const { return m_idd; }
  bool IsModal() const { return m_modal; }
  HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
  std::string GetDlgItemText(int id) const;
  void SetDlgItemText(int id, const std::string& text) const { ::SetDlgItemTextA(m_hWnd, id, text.c_str()); }
  LRESULT SendDlgItemMessage(int id, UINT msg, WPARAM w = 0, LPARAM l = 0) const {
    return ::SendDlgItemMessageA(m_hWnd, id, msg, w, l);
  }

  // Moves data between controls and members: save true reads the controls.
  bool UpdateData(bool save = true);

  // Called by the message loop before dispatching; true when the message was
  // consumed. The default does nothing.
  virtual bool PreTranslateMessage(MSG* msg);

 protected:
  virtual BOOL OnInitDialog();  // the base fills the controls (UpdateData(false))
  virtual void OnOK();
  virtual void OnCancel();
  virtual void DoDataExchange(CDataExchange&) {}
  // Called after the window is gone (modeless dialogs may delete themselves here).
  virtual void OnFinalRelease() {}

  // The map, made by the macros below; true when the message was handled.
  virtual bool ProcessMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

  HWND m_hWnd = nullptr;

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  INT_PTR RunModalLoop();

  UINT m_idd;
  bool m_modal = false;
  bool m_ended = false;
  INT_PTR m_result = 0;
};

#define BEGIN_MSG_MAP(cls)                                                                       \
  bool ProcessMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) override {      \
    bool bHandled = true;                                                                        \
    (void)wParam;                                                                                \
    (void)lParam;

#define MESSAGE_HANDLER(message, fn)                 \
  if (uMsg == (message)) {                           \
    bHandled = true;                                 \
    lResult = fn(uMsg, wParam, lParam, bHandled);    \
    if (bHandled) return true;                       \
  }

#define COMMAND_ID_HANDLER(cid, fn)                                                          \
  if (uMsg == WM_COMMAND && LOWORD(wParam) == (cid)) {                                      \
    bHandled = true;                                                                        \
    lResult = fn(HIWORD(wParam), LOWORD(wParam), reinterpret_cast<HWND>(lParam), bHandled); \
    if (bHandled) return true;                                                              \
  }

#define COMMAND_RANGE_HANDLER(first, last, fn)                                              \
  if (uMsg == WM_COMMAND && LOWORD(wParam) >= (first) && LOWORD(wParam) <= (last)) {        \
    bHandled = true;                                                                        \
    lResult = fn(HIWORD(wParam), LOWORD(wParam), reinterpret_cast<HWND>(lParam), bHandled); \
    if (bHandled) return true;                                                              \
  }

#define NOTIFY_HANDLER(cid, ncode, fn)                                              \
  if (uMsg == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->idFrom == (UINT_PTR)(cid) && \
      reinterpret_cast<NMHDR*>(lParam)->code == (UINT)(ncode)) {                    \
    bHandled = true;                                                                \
    lResult = fn(static_cast<int>(wParam), reinterpret_cast<NMHDR*>(lParam), bHandled); \
    if (bHandled) return true;                                                      \
  }

#define CHAIN_MSG_MAP(base) \
  if (base::ProcessMessage(uMsg, wParam, lParam, lResult)) return true;

#define END_MSG_MAP() \
  return false;       \
  }
