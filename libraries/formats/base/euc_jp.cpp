#include "base/euc_jp.h"

namespace fmt::eucjp {

namespace {

bool isEucByte(unsigned char c) { return c >= 0xA1 && c <= 0xFE; }
bool isKana(unsigned char c) { return c >= 0xA1 && c <= 0xDF; }

// Bytes of the EUC-JP character at s[i] (s[i] >= 0x80), or 0 when broken.
size_t charLength(const std::string& s, size_t i) {
  auto at = [&](size_t k) { return k < s.size() ? static_cast<unsigned char>(s[k]) : 0; };
  const unsigned char c = at(i);
  if (c == 0x8E) return isKana(at(i + 1)) ? 2 : 0;
  if (c == 0x8F) return isEucByte(at(i + 1)) && isEucByte(at(i + 2)) ? 3 : 0;
  if (isEucByte(c)) return isEucByte(at(i + 1)) ? 2 : 0;
  return 0;
}

}  // namespace

bool looksLikeEucJp(const std::string& s) {
  bool wide = false;
  for (size_t i = 0; i < s.size();) {
    if (static_cast<unsigned char>(s[i]) < 0x80) {
      ++i;
      continue;
    }
    const size_t n = charLength(s, i);
    if (n == 0) return false;
    wide = true;
    i += n;
  }
  return wide;
}

std::string toShiftJis(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      out += s[i++];
      continue;
    }
    const size_t n = charLength(s, i);
    if (n == 2 && c == 0x8E) {
      out += s[i + 1];
    } else if (n == 2) {
      // Row and cell of JIS X 0208 (0x21..0x7E each): two rows share a lead byte.
      const unsigned row = c - 0x80, cell = static_cast<unsigned char>(s[i + 1]) - 0x80;
      const unsigned lead = (row + 1) / 2 + (row <= 0x5E ? 0x70 : 0xB0);
      unsigned trail;
      if (row & 1)
        trail = cell + (cell >= 0x60 ? 0x20 : 0x1F);
      else
        trail = cell + 0x7E;
      out += static_cast<char>(lead);
      out += static_cast<char>(trail);
    } else {
      out += '_';
    }
    i += n ? n : 1;
  }
  return out;
}

}  // namespace fmt::eucjp
