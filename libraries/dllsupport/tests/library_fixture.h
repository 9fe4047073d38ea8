// An archiver library of ours loaded by file name as the suite loads it, and
// helpers for calling it on files in a temporary folder. Paths are Shift-JIS
// (the tests' literals are), as the suite passes them.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archiver.h"
#include "test_support.h"

namespace librarytest {

struct Library : archiver::Functions {
  HMODULE module = nullptr;
};
// Loaded once per file name; the functions bound by `prefix`.
const Library& load(const char* fileName, const char* prefix);

struct Call {
  int result = -1;
  std::string report;
};
// The command entry with a buffer of `size`, checked for overruns and the NUL.
Call command(const Library& lib, const std::string& line, HWND window = nullptr, DWORD size = archiver::kOutputSize);

// One record per entry through OpenArchive / FindFirst / FindNext / CloseArchive.
std::vector<archiver::ArcItemInfo> listing(const Library& lib, const std::string& archive, const char* wildcard = "*.*");

// The records' names, in order.
std::vector<std::string> names(const Library& lib, const std::string& archive);

std::wstring wide(const std::string& sjis);

// A temporary folder and its files, by Shift-JIS names relative to it.
class FolderTest : public ::testing::Test {
 protected:
  std::string at(const std::string& rel) const { return dir.path() + "\\" + rel; }
  void write(const std::string& rel, const std::string& data) const;
  std::string read(const std::string& rel) const;  // "<missing>" when it cannot be opened
  bool exists(const std::string& rel) const;
  // Sets a file's modification time to now + offset seconds.
  void touch(const std::string& rel, int offsetSeconds) const;
  testsupport::TempDir dir;
};

}  // namespace librarytest
