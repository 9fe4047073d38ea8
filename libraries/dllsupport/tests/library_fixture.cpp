#include "library_fixture.h"

#include <cstring>
#include <filesystem>
#include <map>

namespace librarytest {

const Library& load(const char* fileName, const char* prefix) {
  static std::map<std::string, Library> loaded;
  auto it = loaded.find(fileName);
  if (it != loaded.end()) return it->second;
  Library lib;
  lib.module = LoadLibraryA(fileName);
  if (lib.module) lib.bind(lib.module, prefix);
  return loaded.emplace(fileName, lib).first->second;
}

Call command(const Library& lib, const std::string& line, HWND window, DWORD size) {
  std::vector<char> buf(size + 16, '\x7F');
  Call r;
  r.result = lib.command(window, line.c_str(), buf.data(), size);
  for (size_t i = size; i < buf.size(); ++i)
    if (buf[i] != '\x7F') ADD_FAILURE() << "report written past its buffer";
  r.report.assign(buf.data(), strnlen(buf.data(), size));
  if (size && r.report.size() >= size) ADD_FAILURE() << "report not NUL-terminated";
  return r;
}

std::vector<archiver::ArcItemInfo> listing(const Library& lib, const std::string& archive, const char* wildcard) {
  std::vector<archiver::ArcItemInfo> out;
  archiver::ArchiveHandle h = lib.openArchive(nullptr, archive.c_str(), archiver::kOpenModeList);
  if (!h) return out;
  archiver::ArcItemInfo info;
  for (int r = lib.findFirst(h, wildcard, &info); r == 0; r = lib.findNext(h, &info)) out.push_back(info);
  lib.closeArchive(h);
  return out;
}

std::vector<std::string> names(const Library& lib, const std::string& archive) {
  std::vector<std::string> out;
  for (const auto& i : listing(lib, archive)) out.emplace_back(i.name);
  return out;
}

std::wstring wide(const std::string& sjis) {
  const int n = MultiByteToWideChar(932, 0, sjis.c_str(), -1, nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(932, 0, sjis.c_str(), -1, w.data(), n);
  w.resize(static_cast<size_t>(n - 1));
  return w;
}

void FolderTest::write(const std::string& rel, const std::string& data) const {
  std::filesystem::path p(wide(at(rel)));
  std::filesystem::create_directories(p.parent_path());
  SetFileAttributesW(p.c_str(), FILE_ATTRIBUTE_NORMAL);
  HANDLE h = CreateFileW(p.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE) << rel;
  DWORD n = 0;
  WriteFile(h, data.data(), static_cast<DWORD>(data.size()), &n, nullptr);
  CloseHandle(h);
}

std::string FolderTest::read(const std::string& rel) const {
  HANDLE h = CreateFileW(wide(at(rel)).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return "<missing>";
  std::string s;
  char buf[65536];
  DWORD n = 0;
  while (ReadFile(h, buf, sizeof buf, &n, nullptr) && n) s.append(buf, n);
  CloseHandle(h);
  return s;
}

bool FolderTest::exists(const std::string& rel) const {
  return GetFileAttributesW(wide(at(rel)).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void FolderTest::touch(const std::string& rel, int offsetSeconds) const {
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

}  // namespace librarytest
