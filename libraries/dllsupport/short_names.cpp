#include "short_names.h"

#include <windows.h>

#include <vector>

namespace dllsupport {

namespace {

std::wstring wide(const std::string& utf8) {
  if (utf8.empty()) return std::wstring();
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), w.data(), n);
  for (wchar_t& c : w)
    if (c == L'/') c = L'\\';
  return w;
}

std::string narrow(const std::wstring& w) {
  if (w.empty()) return std::string();
  const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
  return s;
}

std::vector<std::string> split(const std::string& s, char sep) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= s.size()) {
    size_t end = s.find(sep, start);
    if (end == std::string::npos) end = s.size();
    if (end > start) parts.push_back(s.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

std::wstring fullPath(const std::string& utf8) {
  const std::wstring w = wide(utf8);
  const DWORD n = GetFullPathNameW(w.c_str(), 0, nullptr, nullptr);
  if (n == 0) return w;
  std::wstring out(n, L'\0');
  const DWORD got = GetFullPathNameW(w.c_str(), n, out.data(), nullptr);
  out.resize(got);
  return out;
}

}  // namespace

std::string shortStoredName(const std::string& diskPath, const std::string& storedName) {
  const std::wstring w = wide(diskPath);
  const DWORD n = GetShortPathNameW(w.c_str(), nullptr, 0);
  if (n == 0) return storedName;
  std::wstring buf(n, L'\0');
  const DWORD got = GetShortPathNameW(w.c_str(), buf.data(), n);
  if (got == 0 || got >= n) return storedName;
  buf.resize(got);
  const std::vector<std::string> shortParts = split(narrow(buf), '\\');
  const std::vector<std::string> nameParts = split(storedName, '/');
  if (shortParts.size() < nameParts.size()) return storedName;
  std::string out;
  for (size_t i = shortParts.size() - nameParts.size(); i < shortParts.size(); ++i)
    out += (out.empty() ? "" : "/") + shortParts[i];
  return out;
}

bool samePath(const std::string& a, const std::string& b) {
  const std::wstring fa = fullPath(a), fb = fullPath(b);
  return CompareStringOrdinal(fa.c_str(), static_cast<int>(fa.size()), fb.c_str(), static_cast<int>(fb.size()), TRUE) ==
         CSTR_EQUAL;
}

}  // namespace dllsupport
