#include "lzh/lzh_names.h"

#include "base/sjis.h"
#include "core/names.h"
#include "base/utf8.h"

namespace fmt::lzh {

std::string slashSeparators(const std::string& stored, NameEncoding enc) {
  std::string out = stored;
  for (size_t i = 0; i < out.size(); ++i) {
    auto c = static_cast<unsigned char>(out[i]);
    if (enc == NameEncoding::ShiftJis && sjis::isPair(out, i)) {
      ++i;  // the trail byte stays as it is
    } else if (c == 0xFF || c == '\\') {
      out[i] = '/';
    }
  }
  return out;
}

std::string ffSeparators(const std::string& name, NameEncoding enc) {
  std::string out = name;
  for (size_t i = 0; i < out.size(); ++i) {
    auto c = static_cast<unsigned char>(out[i]);
    if (enc == NameEncoding::ShiftJis && sjis::isPair(out, i)) {
      ++i;
    } else if (c == '/') {
      out[i] = '\xFF';
    }
  }
  return out;
}

std::string utf16leToUtf8(const std::string& s) {
  std::string out;
  auto unit = [&](size_t i) {
    return static_cast<uint32_t>(static_cast<unsigned char>(s[i]) | static_cast<unsigned char>(s[i + 1]) << 8);
  };
  for (size_t i = 0; i + 1 < s.size(); i += 2) {
    uint32_t c = unit(i);
    if (c >= 0xD800 && c < 0xDC00 && i + 3 < s.size() && unit(i + 2) >= 0xDC00 && unit(i + 2) < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
      i += 2;
    } else if (c >= 0xD800 && c < 0xE000) {
      c = utf8::kReplacement;  // unpaired surrogate
    }
    if (c == 0xFFFF || c == '\\') c = '/';  // separators of Unicode folder headers
    utf8::append(out, c);
  }
  return out;
}

std::string utf8ToUtf16le(const std::string& s) {
  std::string out;
  auto put = [&](uint32_t u) {
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>(u >> 8);
  };
  for (size_t i = 0; i < s.size();) {
    uint32_t c = utf8::kReplacement;
    size_t n = utf8::decode(s, i, c);
    if (n == 0) c = utf8::kReplacement, n = 1;
    i += n;
    if (c >= 0x10000) {
      c -= 0x10000;
      put(0xD800 + (c >> 10));
      put(0xDC00 + (c & 0x3FF));
    } else {
      put(c);
    }
  }
  return out;
}

}  // namespace fmt::lzh
