// The one Shift-JIS (code page 932) character model of the suite, its libraries
// and its engines. A lead byte followed by a byte that can be a trail byte is a
// double-byte character; a lead byte followed by anything else (or by nothing)
// is a broken character of one byte, and the next byte stands alone. So a 5C
// trail byte never reads as '\', and a real '\' or '/' after a stray lead byte
// is never swallowed.
#pragma once
#include <cstddef>
#include <string>

namespace sjis {

// True when `c` starts a double-byte character of code page 932.
inline bool isLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
// True when `c` can be the second byte of one.
inline bool isTrailByte(unsigned char c) { return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC); }

// Bytes of the character at s[i] (i < len): 2 for a complete pair, else 1.
inline size_t charLength(const char* s, size_t len, size_t i) {
  return i + 1 < len && isLeadByte(static_cast<unsigned char>(s[i])) && isTrailByte(static_cast<unsigned char>(s[i + 1])) ? 2 : 1;
}
inline size_t charLength(const std::string& s, size_t i) { return charLength(s.data(), s.size(), i); }
// True when s[i] starts a complete double-byte character.
inline bool isPair(const std::string& s, size_t i) { return charLength(s, i) == 2; }
// The offset of the character after the one at s[i].
inline size_t next(const std::string& s, size_t i) { return i + charLength(s, i); }

}  // namespace sjis
