#include "sjis.h"

namespace sjis {

size_t lastCharOffset(const char* s, size_t len) {
  size_t last = std::string::npos;
  for (size_t i = 0; i < len;) {
    last = i;
    // A lead byte at the very end has no trail: count it as a character of its own.
    i += (isLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < len) ? 2 : 1;
  }
  return last;
}

bool endsWithBackslash(const std::string& s) {
  size_t last = lastCharOffset(s);
  return last != std::string::npos && last == s.size() - 1 && s[last] == '\\';
}

void addBackslash(std::string& s) {
  if (!s.empty() && !endsWithBackslash(s)) s += '\\';
}

size_t lastSeparator(const std::string& s, bool orSlash) {
  size_t found = std::string::npos;
  for (size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (isLeadByte(c) && i + 1 < s.size()) {
      i += 2;
      continue;
    }
    if (c == '\\' || (orSlash && c == '/')) found = i;
    i++;
  }
  return found;
}

size_t lastBackslash(const std::string& s) { return lastSeparator(s, false); }

size_t lastOf(const std::string& s, char c) {
  size_t found = std::string::npos;
  for (size_t i = 0; i < s.size();) {
    if (isLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) {
      i += 2;
      continue;
    }
    if (s[i] == c) found = i;
    i++;
  }
  return found;
}

namespace {
template <typename F>
std::string mapAscii(const std::string& s, F f) {
  std::string r = s;
  for (size_t i = 0; i < r.size();) {
    unsigned char c = static_cast<unsigned char>(r[i]);
    if (isLeadByte(c) && i + 1 < r.size()) {
      i += 2;
      continue;
    }
    r[i] = static_cast<char>(f(c));
    i++;
  }
  return r;
}
}  // namespace

std::string toUpper(const std::string& s) {
  return mapAscii(s, [](unsigned char c) { return (c >= 'a' && c <= 'z') ? c - 32 : c; });
}

std::string toLower(const std::string& s) {
  return mapAscii(s, [](unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; });
}

int compareNoCase(const std::string& a, const std::string& b) {
  std::string ua = toUpper(a), ub = toUpper(b);
  return ua < ub ? -1 : (ua > ub ? 1 : 0);
}

}  // namespace sjis
