// Whether a stretch of bytes looks like text (program sources, documents,
// Shift_JIS and UTF-8 included): hardly any of its bytes are control
// characters other than the layout ones. The encoders tune their search by it.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

namespace fmt::codecs {

inline bool looksLikeText(const uint8_t* p, size_t n) {
  static constexpr auto kControl = [] {
    std::array<uint8_t, 256> t{};
    for (int c = 0; c < 0x20; ++c) t[c] = c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != 0x1B;
    t[0x7F] = 1;
    return t;
  }();
  size_t control = 0;
  for (size_t i = 0; i < n; ++i) control += kControl[p[i]];
  return control * 256 <= n;
}

}  // namespace fmt::codecs
