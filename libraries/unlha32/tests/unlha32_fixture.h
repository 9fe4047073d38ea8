// The built UNLHA32.DLL loaded as the suite loads it, and helpers for calling
// it on archives in a temporary folder. Paths here are Shift-JIS (the test's
// literals are), as the suite passes them.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archiver.h"
#include "test_support.h"

namespace unlhatest {

// The eight functions bound by name, beside the module they come from.
struct Library : archiver::Functions {
  HMODULE module = nullptr;
};
const Library& library();

struct Call {
  int result = -1;
  std::string report;
};
// Unlha(window, line, buffer of `size`), the report read back up to its NUL.
Call unlha(const std::string& line, HWND window = nullptr, DWORD size = archiver::kOutputSize);

// One listing record per entry, through OpenArchive / FindFirst / FindNext.
std::vector<archiver::ArcItemInfo> listing(const std::string& archive, const char* wildcard = "*.*");
std::vector<std::string> names(const std::string& archive);

class UnlhaTest : public ::testing::Test {
 protected:
  void SetUp() override;
  // dir\rel (rel may use '\').
  std::string at(const std::string& rel) const { return dir.path() + "\\" + rel; }
  void write(const std::string& rel, const std::string& text) const;
  std::string read(const std::string& rel) const;
  bool exists(const std::string& rel) const;
  // Sets a file's modification time to now + offset seconds.
  void touch(const std::string& rel, int offsetSeconds) const;
  // An archive of the given files (written first with their names as contents)
  // made by the library, with folders.
  std::string makeArchive(const std::string& name, const std::vector<std::string>& files, const char* method = "-jm2");
  testsupport::TempDir dir;
};

}  // namespace unlhatest
