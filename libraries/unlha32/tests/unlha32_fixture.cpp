#include "unlha32_fixture.h"

#include <filesystem>

namespace unlhatest {

namespace {

std::wstring wide(const std::string& sjis) {
  const int n = MultiByteToWideChar(932, 0, sjis.c_str(), -1, nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(932, 0, sjis.c_str(), -1, w.data(), n);
  w.resize(static_cast<size_t>(n - 1));
  return w;
}

Library load() {
  Library lib;
  lib.module = LoadLibraryA("UNLHA32.DLL");
  if (!lib.module) return lib;
  lib.bind(lib.module, "Unlha");  // the test of the exports names any that is missing
  return lib;
}

}  // namespace

const Library& library() {
  static const Library lib = load();
  return lib;
}

Call unlha(const std::string& line, HWND window, DWORD size) {
  std::vector<char> buf(size + 16, '\x7F');
  Call r;
  r.result = library().command(window, line.c_str(), buf.data(), size);
  for (size_t i = size; i < buf.size(); ++i)
    if (buf[i] != '\x7F') ADD_FAILURE() << "report written past its buffer";
  r.report.assign(buf.data(), strnlen(buf.data(), size));
  if (r.report.size() >= size) ADD_FAILURE() << "report not NUL-terminated";
  return r;
}

std::vector<archiver::ArcItemInfo> listing(const std::string& archive, const char* wildcard) {
  std::vector<archiver::ArcItemInfo> out;
  archiver::ArchiveHandle h = library().openArchive(nullptr, archive.c_str(), archiver::kOpenModeList);
  if (!h) return out;
  archiver::ArcItemInfo info;
  for (int r = library().findFirst(h, wildcard, &info); r == 0; r = library().findNext(h, &info)) out.push_back(info);
  library().closeArchive(h);
  return out;
}

std::vector<std::string> names(const std::string& archive) {
  std::vector<std::string> out;
  for (const auto& i : listing(archive)) out.emplace_back(i.name);
  return out;
}

void UnlhaTest::SetUp() { ASSERT_TRUE(library().command) << "UNLHA32.DLL not loaded from beside the test"; }

void UnlhaTest::write(const std::string& rel, const std::string& text) const {
  std::filesystem::path p(wide(at(rel)));
  std::filesystem::create_directories(p.parent_path());
  SetFileAttributesW(p.c_str(), FILE_ATTRIBUTE_NORMAL);
  HANDLE h = CreateFileW(p.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE) << rel;
  DWORD n = 0;
  WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &n, nullptr);
  CloseHandle(h);
}

std::string UnlhaTest::read(const std::string& rel) const {
  HANDLE h = CreateFileW(wide(at(rel)).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return "<missing>";
  // The whole file: a comparison must not stop at the first 64 KB.
  std::string s;
  char buf[1 << 16];
  DWORD n = 0;
  while (ReadFile(h, buf, sizeof buf, &n, nullptr) && n) s.append(buf, n);
  CloseHandle(h);
  return s;
}

bool UnlhaTest::exists(const std::string& rel) const {
  return GetFileAttributesW(wide(at(rel)).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void UnlhaTest::touch(const std::string& rel, int offsetSeconds) const {
  HANDLE h = CreateFileW(wide(at(rel)).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE) << rel;
  FILETIME ft;
  GetSystemTimeAsFileTime(&ft);
  ULARGE_INTEGER t{{ft.dwLowDateTime, ft.dwHighDateTime}};
  t.QuadPart += static_cast<long long>(offsetSeconds) * 10000000LL;
  ft.dwLowDateTime = t.LowPart;
  ft.dwHighDateTime = t.HighPart;
  SetFileTime(h, nullptr, nullptr, &ft);
  CloseHandle(h);
}

std::string UnlhaTest::makeArchive(const std::string& name, const std::vector<std::string>& files, const char* method) {
  std::string line = std::string("a -x -r2 ") + method + " \"" + at(name) + "\" \"" + at("src") + "\\\"";
  for (const auto& f : files) {
    write("src\\" + f, f);
    line += " \"" + f + "\"";
  }
  const Call r = unlha(line);
  EXPECT_EQ(r.result, 0) << r.report;
  return at(name);
}

}  // namespace unlhatest
