// Test helper: answers a dialog from a second thread, as a user would, by
// finding it by caption and pressing one of its buttons.
#pragma once
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

namespace testdialogs {

class DialogDriver {
 public:
  // Waits (up to ~20 s) for a dialog with this caption, optionally sets the text
  // of an edit control, then presses the button with this id; does so `times`
  // times, each for a new dialog. `seen` holds the text of control `readId` as
  // the first dialog showed it, when given; check box `checkId` is ticked first.
  DialogDriver(std::string caption, int buttonId, int editId = 0, std::string editText = {}, int readId = 0,
               int times = 1, int checkId = 0)
      : thread_([=, this] {
          for (int i = 0; i < 400 && !stop_ && answered < times; ++i) {
            HWND dlg = FindWindowA("#32770", caption.c_str());
            if (!dlg || !IsWindowVisible(dlg)) {
              Sleep(50);
              continue;
            }
            if (readId && answered == 0) {
              char buf[1024] = {};
              GetDlgItemTextA(dlg, readId, buf, sizeof buf);
              seen = buf;
            }
            if (editId) SetDlgItemTextA(dlg, editId, editText.c_str());
            if (checkId) SendDlgItemMessageA(dlg, checkId, BM_SETCHECK, BST_CHECKED, 0);
            PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), 0);
            ++answered;
            found = true;
            for (int k = 0; k < 200 && IsWindow(dlg) && !stop_; ++k) Sleep(10);
          }
        }) {}
  ~DialogDriver() {
    stop_ = true;
    thread_.join();
  }
  std::atomic<bool> found{false};
  std::atomic<int> answered{0};
  std::string seen;

 private:
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// A plain top-level window to own the dialogs.
inline HWND makeOwner() {
  return CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                         GetModuleHandleA(nullptr), nullptr);
}

}  // namespace testdialogs
