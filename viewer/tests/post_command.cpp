// Plays a user's clicks on a running program for screenshots: for each pair of
// arguments, waits (up to 20 s) for a visible top-level window whose caption
// begins with the first and posts it the command id of the second ("sys:" and a
// number posts a system command instead, such as sys:61488 to maximise;
// "click:" and a control id clicks that control as the mouse would, so that a
// radio button or check box changes too; "set:ID=TEXT" types TEXT into a
// control and posts nothing; "pick:ID=ROW" selects a row of a drop-down list
// and tells its window, as a choice with the mouse would).
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {
struct Search {
  const char* prefix;
  HWND found;
};

BOOL CALLBACK Match(HWND window, LPARAM param) {
  auto* s = reinterpret_cast<Search*>(param);
  char caption[512] = {};
  GetWindowTextA(window, caption, sizeof caption);
  if (IsWindowVisible(window) && IsWindowEnabled(window) && std::strncmp(caption, s->prefix, std::strlen(s->prefix)) == 0) {
    s->found = window;
    return FALSE;
  }
  return TRUE;
}
}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i + 1 < argc; i += 2) {
    Search s{argv[i], nullptr};
    for (int tries = 0; tries < 200 && !s.found; tries++) {
      EnumWindows(Match, reinterpret_cast<LPARAM>(&s));
      if (!s.found) Sleep(100);
    }
    if (!s.found) return 1;
    Sleep(300);  // let it finish drawing, as a user would look first
    const char* command = argv[i + 1];
    if (std::strncmp(command, "set:", 4) == 0) {
      const char* eq = std::strchr(command, '=');
      if (eq) SetDlgItemTextA(s.found, std::atoi(command + 4), eq + 1);
      continue;
    }
    if (std::strncmp(command, "pick:", 5) == 0) {
      const char* eq = std::strchr(command, '=');
      const int id = std::atoi(command + 5);
      HWND list = GetDlgItem(s.found, id);
      if (eq && list) {
        SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(std::atoi(eq + 1)), 0);
        PostMessageA(s.found, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
      }
      continue;
    }
    if (std::strncmp(command, "click:", 6) == 0)
      PostMessageA(GetDlgItem(s.found, std::atoi(command + 6)), BM_CLICK, 0, 0);
    else if (std::strncmp(command, "sys:", 4) == 0)
      PostMessageA(s.found, WM_SYSCOMMAND, static_cast<WPARAM>(std::atoi(command + 4)), 0);
    else
      PostMessageA(s.found, WM_COMMAND, MAKEWPARAM(std::atoi(command), BN_CLICKED), 0);
  }
  return 0;
}
