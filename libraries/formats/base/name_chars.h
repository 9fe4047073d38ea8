// The characters Windows does not allow in a file name, apart from the
// separators: C0 and C1 controls, DEL, and < > : " | ? *. One list for the names
// extraction creates and the names users type.
#pragma once
#include <cstdint>

namespace fmt {

inline bool isForbiddenNameChar(uint32_t cp) {
  if (cp < 0x20 || cp == 0x7F || (cp >= 0x80 && cp <= 0x9F)) return true;  // C0, DEL, C1 (terminal escapes)
  switch (cp) {
    case '<': case '>': case ':': case '"': case '|': case '?': case '*': return true;
    default: return false;
  }
}

}  // namespace fmt
