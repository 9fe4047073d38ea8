// UTF-8 code points, strictly: no overlong forms, no surrogates, nothing above
// U+10FFFF. Shared by the name conversion on every platform and by names.cpp.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace fmt::utf8 {

// Decodes the code point at s[i]; returns its length in bytes, or 0 when the
// bytes there are not valid UTF-8.
size_t decode(const std::string& s, size_t i, uint32_t& cp);
void append(std::string& out, uint32_t cp);

constexpr uint32_t kReplacement = 0xFFFD;

}  // namespace fmt::utf8
