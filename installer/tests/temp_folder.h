// A folder of the test's own in the temporary folder, emptied first.
#pragma once
#include <windows.h>

#include <filesystem>
#include <string>

namespace install_test {

// `leaf` and the process id under the temporary folder; removed if present and,
// with `create`, made again empty.
inline std::string tempFolder(const std::string& leaf, bool create) {
  char tmp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, tmp);
  std::string f = std::string(tmp) + leaf + std::to_string(GetCurrentProcessId());
  std::error_code ec;
  std::filesystem::remove_all(f, ec);
  if (create) std::filesystem::create_directories(f);
  return f;
}

}  // namespace install_test
