// Shift-JIS (code page 932) aware helpers over the one character model of
// base/sjis.h. Every test for a trailing backslash and every search for a
// separator steps through whole characters, because the second byte of a
// double-byte character may be 0x5C, the backslash.
#pragma once
#include <cstddef>
#include <string>

#include "base/sjis.h"

namespace sjis {

// Offset of the last character (a lead byte where it is double-byte); npos when empty.
size_t lastCharOffset(const char* s, size_t len);
inline size_t lastCharOffset(const std::string& s) { return lastCharOffset(s.data(), s.size()); }

// True when the last whole character is '\'.
bool endsWithBackslash(const std::string& s);
// Appends '\' unless the text already ends in one (an empty text stays empty).
void addBackslash(std::string& s);
// Offset of the last '\' (or of '\' or '/' with `orSlash`) that is a character of
// its own; npos when there is none.
size_t lastSeparator(const std::string& s, bool orSlash = true);
size_t lastBackslash(const std::string& s);
// Offset of the last single-byte character `c` that is a character of its own.
size_t lastOf(const std::string& s, char c);

// Case mapping of single-byte ASCII letters; double-byte characters are kept
// whole (their trail bytes may look like letters).
std::string toUpper(const std::string& s);
std::string toLower(const std::string& s);
// Case-insensitive comparison by the same rule.
int compareNoCase(const std::string& a, const std::string& b);
inline bool equalNoCase(const std::string& a, const std::string& b) { return compareNoCase(a, b) == 0; }

}  // namespace sjis
