#include "entry_text.h"

#include <cstdio>

#include "sjis.h"

std::string FormatThousands(uint64_t value) {
  std::string digits = std::to_string(value);
  std::string out;
  int lead = static_cast<int>(digits.size() % 3);
  for (size_t i = 0; i < digits.size(); i++) {
    if (i > 0 && (static_cast<int>(i) - lead) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

std::string FormatRatio(unsigned ratio) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%3d.%01d%%", static_cast<int>(ratio / 10), static_cast<int>(ratio % 10));
  return buf;
}

std::string FormatDosDate(uint16_t date, uint16_t time) {
  int year = ((date >> 9) & 0x7F) + 80;
  if (year >= 100) year -= 100;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02d/%02d/%02d %02d:%02d", year, (date >> 5) & 0x0F, date & 0x1F, (time >> 11) & 0x1F,
                (time >> 5) & 0x3F);
  return buf;
}

namespace {
// The next character as a number: a double-byte character as lead * 256 + trail,
// a single-byte letter folded to upper case.
unsigned nextChar(const std::string& s, size_t& i) {
  unsigned char c = static_cast<unsigned char>(s[i]);
  if (sjis::isPair(s, i)) {
    unsigned v = c * 256u + static_cast<unsigned char>(s[i + 1]);
    i += 2;
    return v;
  }
  i++;
  return (c >= 'a' && c <= 'z') ? c - 32u : c;
}
}  // namespace

int CompareEntryText(const std::string& a, const std::string& b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    unsigned ca = nextChar(a, i), cb = nextChar(b, j);
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}
