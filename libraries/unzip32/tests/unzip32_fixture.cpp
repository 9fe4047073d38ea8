#include "unzip32_fixture.h"

#include <cstdlib>

namespace unziptest {

using librarytest::wide;

std::string sjis(const std::wstring& text) {
  const int n = WideCharToMultiByte(932, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(932, 0, text.c_str(), -1, s.data(), n, nullptr, nullptr);
  s.resize(static_cast<size_t>(n - 1));
  return s;
}

const Library& library() { return librarytest::load("UNZIP32.DLL", "UnZip"); }

Call unzip(const std::string& line, HWND window, DWORD size) { return librarytest::command(library(), line, window, size); }

std::vector<archiver::ArcItemInfo> listing(const std::string& archive) { return librarytest::listing(library(), archive); }

std::vector<std::string> names(const std::string& archive) { return librarytest::names(library(), archive); }

std::string archives() {
  const char* made = std::getenv("UNZIP32_ARCHIVES");
  if (!made || !*made) return "";
  std::string p = std::string("Z:") + made;
  for (char& c : p)
    if (c == '/') c = '\\';
  return p + "\\";
}

std::string readFile(const std::string& path) {
  HANDLE h = CreateFileW(wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return "<missing>";
  std::string s;
  char buf[65536];
  DWORD n = 0;
  while (ReadFile(h, buf, sizeof buf, &n, nullptr) && n) s.append(buf, n);
  CloseHandle(h);
  return s;
}

bool exists(const std::string& path) { return GetFileAttributesW(wide(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

void UnZipTest::SetUp() {
  ASSERT_TRUE(library().command) << "UNZIP32.DLL not loaded from beside the test";
  ASSERT_FALSE(archives().empty()) << "UNZIP32_ARCHIVES is not set";
}

std::string UnZipTest::archive(const std::string& name) {
  const std::string path = archives() + name;
  if (!exists(path)) {
    ADD_FAILURE() << name << " was not made (zip or 7z missing when the tests were built?)";
    return path;
  }
  return path;
}

std::string UnZipTest::source(const std::string& rel) const {
  std::string p = archives() + "src\\" + rel;
  for (char& c : p)
    if (c == '/') c = '\\';
  return readFile(p);
}

void UnZipTest::expectTreeExtracted(const std::string& out) const {
  const std::string japanese = "sub\\inner\\" + sjis(L"日本語の名前.txt");
  for (const std::string& rel : {std::string("text.txt"), std::string("noise.bin"), std::string("empty"), japanese}) {
    const std::string got = readFile(out + "\\" + rel);
    EXPECT_NE(got, "<missing>") << rel;
    EXPECT_TRUE(got == source(rel)) << rel << " differs";
  }
}

}  // namespace unziptest
