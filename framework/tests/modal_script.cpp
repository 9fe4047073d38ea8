#include "modal_script.h"

#include <algorithm>

namespace {
ModalScript* g_running = nullptr;

BOOL CALLBACK CollectWindow(HWND window, LPARAM param) {
  reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
  return TRUE;
}

std::vector<HWND> ThreadWindows() {
  std::vector<HWND> windows;
  EnumThreadWindows(GetCurrentThreadId(), CollectWindow, reinterpret_cast<LPARAM>(&windows));
  return windows;
}
}  // namespace

std::string TextOf(HWND window) {
  char text[4096] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

std::string ItemText(HWND dialog, int id) { return TextOf(GetDlgItem(dialog, id)); }

void Click(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

ModalScript& ModalScript::then(const std::string& caption, std::function<void(HWND)> act) {
  m_steps.push_back(Step{caption, std::move(act)});
  return *this;
}

ModalScript& ModalScript::ignore(const std::string& caption) {
  m_ignored.push_back(caption);
  return *this;
}

void ModalScript::run(const std::function<void()>& command) {
  m_baseline = ThreadWindows();
  ModalScript* outer = g_running;
  g_running = this;
  UINT_PTR timer = SetTimer(nullptr, 0, 40, OnTimer);
  command();
  KillTimer(nullptr, timer);
  g_running = outer;
}

void CALLBACK ModalScript::OnTimer(HWND, UINT, UINT_PTR, DWORD) {
  if (g_running) g_running->Poll();
}

void ModalScript::Poll() {
  for (HWND w : ThreadWindows()) {
    if (!IsWindowVisible(w) || !IsWindowEnabled(w)) continue;  // an owner under its modal window
    if (std::find(m_baseline.begin(), m_baseline.end(), w) != m_baseline.end()) continue;
    if (std::find(m_answered.begin(), m_answered.end(), w) != m_answered.end()) continue;
    std::string caption = TextOf(w);
    if (caption == "処理中") continue;  // the library's progress window comes and goes by itself
    if (std::find(m_ignored.begin(), m_ignored.end(), caption) != m_ignored.end()) continue;
    m_answered.push_back(w);
    if (m_next < m_steps.size() && m_steps[m_next].caption == caption) {
      m_steps[m_next++].act(w);
    } else {
      unexpected.push_back(caption);
      PostMessageA(w, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    }
    return;  // one window per tick: the next may be this one's child dialog
  }
}
