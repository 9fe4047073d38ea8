#include "shell_selection.h"

#include <windows.h>

namespace shellext_test {

std::wstring wide(const std::string& s) {
  int n = MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, nullptr, 0);
  std::wstring w(n, L'\0');
  MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, w.data(), n);
  w.resize(n - 1);
  return w;
}

}  // namespace shellext_test
