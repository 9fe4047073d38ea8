// The built UNZIP32.DLL loaded as the suite loads it, the archives the build
// made with zip and 7z (make_archives.py), and a temporary folder to extract
// into. Paths here are Shift-JIS, as the suite passes them.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archiver.h"
#include "library_fixture.h"
#include "test_support.h"

namespace unziptest {

using librarytest::Library;
const Library& library();

using librarytest::Call;
// UnZip(window, line, buffer of `size`), the report read back up to its NUL.
Call unzip(const std::string& line, HWND window = nullptr, DWORD size = archiver::kOutputSize);

// One listing record per entry, through OpenArchive / FindFirst / FindNext.
std::vector<archiver::ArcItemInfo> listing(const std::string& archive);
std::vector<std::string> names(const std::string& archive);

// The made archives' folder (Windows form, ending in '\'); "" when not made.
std::string archives();
// A file's bytes, "<missing>" when it cannot be read; Shift-JIS path.
std::string readFile(const std::string& path);
bool exists(const std::string& path);
// UTF-8 text in Shift-JIS, for names the test writes in its own source.
std::string sjis(const std::wstring& text);

// Not a librarytest::FolderTest: its read and exists take names relative to
// the folder, where these tests pass whole paths to the free functions above.
class UnZipTest : public ::testing::Test {
 protected:
  void SetUp() override;
  std::string at(const std::string& rel) const { return dir.path() + "\\" + rel; }
  // An archive of the made set; the test is skipped when it was not made
  // (its tool is missing).
  std::string archive(const std::string& name);
  // The file the tool-made archives hold under `rel` ('/' between folders).
  std::string source(const std::string& rel) const;
  // Every file of the source tree extracted under out\ with its bytes.
  void expectTreeExtracted(const std::string& out) const;
  testsupport::TempDir dir;
};

}  // namespace unziptest
