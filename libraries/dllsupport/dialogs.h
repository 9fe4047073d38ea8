// The windows an archiver library shows when the caller gives it an owner
// window: the overwrite question, the progress window and a text input. Without
// an owner nothing here is called.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "core/extract.h"

namespace dllsupport {

// The library's own module (resources live there, not in the calling program).
HINSTANCE moduleInstance();

// はい / いいえ / すべて / 中止, naming the file (Shift-JIS).
fmt::OverwriteAnswer askOverwrite(HWND owner, const std::string& sjisPath);

// A line of text; false when cancelled. `value` holds the initial text.
bool askText(HWND owner, const std::string& title, const std::string& prompt, std::string& value);

// パスワードの入力: the entry's name, a masked line and the check box "use it
// for the following files too" (`forAll`, which holds for a cancel as well).
// False when cancelled; `password` is then left as it was. `again` says the
// last password given for this file was wrong.
bool askPassword(HWND owner, const std::string& sjisName, std::string& password, bool& forAll, bool again = false);

// Shown once an operation has run about half a second: the current file, a bar
// and a cancel button. Messages are pumped while it is up, so cancel works on
// the calling thread.
class ProgressWindow {
 public:
  ProgressWindow(HWND owner, bool enabled);
  ~ProgressWindow();
  ProgressWindow(const ProgressWindow&) = delete;
  ProgressWindow& operator=(const ProgressWindow&) = delete;
  // False once cancel was pressed.
  bool update(const std::string& sjisName, uint64_t done, uint64_t total);
  bool cancelled() const { return cancelled_; }
  HWND window() const { return window_; }

 private:
  static INT_PTR CALLBACK proc(HWND, UINT, WPARAM, LPARAM);
  HWND owner_;
  bool enabled_;
  HWND window_ = nullptr;
  bool cancelled_ = false;
  ULONGLONG start_;
  ULONGLONG lastPump_ = 0;
  std::string shownName_;
};

}  // namespace dllsupport
