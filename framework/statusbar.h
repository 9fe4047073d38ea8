// A thin wrapper over the common-controls status bar.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <string>

class CStatusBar {
 public:
  bool Create(HWND parent, UINT id) {
    m_hWnd = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0, parent,
                             reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
    return m_hWnd != nullptr;
  }
  // The suite's status texts are drawn without the part's sunken border.
  void SetText(const std::string& text, int part = 0, int drawing = SBT_NOBORDERS) const {
    SendMessageA(m_hWnd, SB_SETTEXTA, static_cast<WPARAM>(part | drawing), reinterpret_cast<LPARAM>(text.c_str()));
  }
  // The bar places itself along its parent's bottom edge when told the parent was resized.
  void Reposition() const { SendMessageA(m_hWnd, WM_SIZE, 0, 0); }
  int Height() const {
    RECT r{};
    GetWindowRect(m_hWnd, &r);
    return r.bottom - r.top;
  }
  HWND m_hWnd = nullptr;
};
