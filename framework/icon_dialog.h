// A dialog that carries its program's icon: as the window's large and small
// icon, drawn centred while minimised, and as the drag icon; and, for a main
// window, the version dialog's item on the system menu.
#pragma once
#include <windows.h>

#include "dialog.h"

class CIconDialog : public CDialog {
 public:
  CIconDialog(UINT templateId, UINT iconId);

  BEGIN_MSG_MAP(CIconDialog)
    MESSAGE_HANDLER(WM_PAINT, OnPaint)
    MESSAGE_HANDLER(WM_QUERYDRAGICON, OnQueryDragIcon)
    MESSAGE_HANDLER(WM_SYSCOMMAND, OnSysCommand)
    CHAIN_MSG_MAP(CDialog)
  END_MSG_MAP()

 protected:
  // Sets the icon as the window's large and small icon.
  void ShowIcon() const;
  // Appends a separator and string `stringId` as system command `command`
  // (which calls OnAbout) when the string exists.
  void AddAboutToSystemMenu(UINT stringId, UINT command);
  virtual void OnAbout() {}

  HICON m_icon = nullptr;

 private:
  LRESULT OnPaint(UINT, WPARAM, LPARAM, bool& handled);
  LRESULT OnQueryDragIcon(UINT, WPARAM, LPARAM, bool&);
  LRESULT OnSysCommand(UINT, WPARAM wParam, LPARAM, bool& handled);

  UINT m_aboutCommand = 0;
};

// Paints `icon` centred in a minimised window's client area.
void PaintMinimisedIcon(HWND window, HICON icon);
