#include "sjis.h"

namespace sjis {

size_t lastCharOffset(const char* s, size_t len) {
  size_t last = std::string::npos;
  for (size_t i = 0; i < len;) {
    last = i;
    i += charLength(s, len, i);
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
  for (size_t i = 0; i < s.size(); i = next(s, i)) {
    if (isPair(s, i)) continue;
    if (s[i] == '\\' || (orSlash && s[i] == '/')) found = i;
  }
  return found;
}

size_t lastBackslash(const std::string& s) { return lastSeparator(s, false); }

size_t lastOf(const std::string& s, char c) {
  size_t found = std::string::npos;
  for (size_t i = 0; i < s.size(); i = next(s, i))
    if (!isPair(s, i) && s[i] == c) found = i;
  return found;
}

namespace {
template <typename F>
std::string mapAscii(const std::string& s, F f) {
  std::string r = s;
  for (size_t i = 0; i < r.size(); i = next(r, i))
    if (!isPair(r, i)) r[i] = static_cast<char>(f(static_cast<unsigned char>(r[i])));
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
