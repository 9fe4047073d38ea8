// Answers the modal windows that a command opens, one after another, from a
// timer of the calling thread (modal loops dispatch it too). Windows that no
// step expects are closed and their captions recorded, so a test never hangs.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

class ModalScript {
 public:
  // The next window whose caption is `caption` gets `act` (which should end it).
  ModalScript& then(const std::string& caption, std::function<void(HWND)> act);
  // Windows with this caption are left alone (a main window opening meanwhile).
  ModalScript& ignore(const std::string& caption);
  // Runs `command` (which returns once its windows are closed) with the script answering.
  void run(const std::function<void()>& command);

  size_t stepsDone() const { return m_next; }
  bool allDone() const { return m_next == m_steps.size(); }
  std::vector<std::string> unexpected;

 private:
  static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD);
  void Poll();

  struct Step {
    std::string caption;
    std::function<void(HWND)> act;
  };
  std::vector<Step> m_steps;
  size_t m_next = 0;
  std::vector<HWND> m_answered;
  std::vector<HWND> m_baseline;
  std::vector<std::string> m_ignored;
};

// Caption and texts of another window of this thread.
std::string TextOf(HWND window);
std::string ItemText(HWND dialog, int id);
// Clicks a dialog button as the user would (its command reaches the dialog).
void Click(HWND dialog, int id);
