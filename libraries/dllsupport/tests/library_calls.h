// Test helper: calling a built archiver library as the suite does, with the
// checks every such test wants (the report never runs past its buffer and is
// NUL-terminated inside it), and listing through its enumeration exports.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "archiver.h"

namespace testlibrary {

struct Call {
  int result = -1;
  std::string report;
};

// The command entry with a buffer of `size` bytes guarded by bytes behind it.
inline Call command(const archiver::Functions& lib, HWND window, const std::string& line, DWORD size) {
  std::vector<char> buf(size + 16, '\x7F');
  Call r;
  r.result = lib.command(window, line.c_str(), buf.data(), size);
  for (size_t i = size; i < buf.size(); ++i)
    if (buf[i] != '\x7F') ADD_FAILURE() << "report written past its buffer";
  r.report.assign(buf.data(), strnlen(buf.data(), size));
  if (r.report.size() >= size) ADD_FAILURE() << "report not NUL-terminated";
  return r;
}

// One record per entry matching `wildcard`, through OpenArchive / FindFirst / FindNext.
inline std::vector<archiver::ArcItemInfo> listing(const archiver::Functions& lib, const std::string& archive,
                                                  const char* wildcard = "*.*") {
  std::vector<archiver::ArcItemInfo> out;
  archiver::ArchiveHandle h = lib.openArchive(nullptr, archive.c_str(), archiver::kOpenModeList);
  if (!h) return out;
  archiver::ArcItemInfo info;
  for (int r = lib.findFirst(h, wildcard, &info); r == 0; r = lib.findNext(h, &info)) out.push_back(info);
  lib.closeArchive(h);
  return out;
}

// A Shift-JIS path for the wide-character file APIs.
inline std::wstring wide(const std::string& sjis) {
  const int n = MultiByteToWideChar(932, 0, sjis.c_str(), -1, nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(932, 0, sjis.c_str(), -1, w.data(), n);
  w.resize(static_cast<size_t>(n - 1));
  return w;
}

}  // namespace testlibrary
