// The built UNLHA32.DLL loaded as the suite loads it, and helpers for calling
// it on archives in a temporary folder. Paths here are Shift-JIS (the test's
// literals are), as the suite passes them.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archiver.h"
#include "library_fixture.h"
#include "test_support.h"

namespace unlhatest {

// The eight functions bound by name, beside the module they come from.
using librarytest::Library;
const Library& library();

using librarytest::Call;
// Unlha(window, line, buffer of `size`), the report read back up to its NUL.
Call unlha(const std::string& line, HWND window = nullptr, DWORD size = archiver::kOutputSize);

// One listing record per entry, through OpenArchive / FindFirst / FindNext.
std::vector<archiver::ArcItemInfo> listing(const std::string& archive, const char* wildcard = "*.*");
std::vector<std::string> names(const std::string& archive);

// at(), write(), read(), exists(), touch() and dir from the shared fixture.
class UnlhaTest : public librarytest::FolderTest {
 protected:
  void SetUp() override;
  // An archive of the given files (written first with their names as contents)
  // made by the library, with folders.
  std::string makeArchive(const std::string& name, const std::vector<std::string>& files, const char* method = "-jm2");
};

}  // namespace unlhatest
