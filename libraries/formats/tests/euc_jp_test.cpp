// EUC-JP names into Shift-JIS: every JIS X 0208 code against the C library's
// own converter, the one-byte kana, what is not EUC-JP, and the tar reader
// converting only the names that are.
#include <gtest/gtest.h>
#include <iconv.h>

#include <cstring>

#include "base/euc_jp.h"
#include "core/byte_source.h"
#include "tar/tar_format.h"
#include "tar/tar_reader.h"

namespace {

using fmt::eucjp::looksLikeEucJp;
using fmt::eucjp::toShiftJis;

// The C library's conversion, or "" where it has none.
std::string libraryShiftJis(const std::string& euc) {
  iconv_t cd = iconv_open("SHIFT_JIS", "EUC-JP");
  if (cd == reinterpret_cast<iconv_t>(-1)) return "";
  std::string in = euc, out(16, '\0');
  char* ip = in.data();
  char* op = out.data();
  size_t il = in.size(), ol = out.size();
  const size_t r = iconv(cd, &ip, &il, &op, &ol);
  iconv_close(cd);
  if (r == static_cast<size_t>(-1) || il != 0) return "";
  out.resize(out.size() - ol);
  return out;
}

TEST(EucJp, EveryJisX0208CodeAgreesWithTheCLibrary) {
  ASSERT_EQ(libraryShiftJis("\xA4\xA2"), "\x82\xA0") << "no EUC-JP converter in the C library";
  int compared = 0;
  for (int row = 0xA1; row <= 0xFE; ++row) {
    for (int cell = 0xA1; cell <= 0xFE; ++cell) {
      const std::string euc{static_cast<char>(row), static_cast<char>(cell)};
      const std::string expected = libraryShiftJis(euc);
      if (expected.empty()) continue;  // unassigned in JIS X 0208
      ASSERT_EQ(toShiftJis(euc), expected) << std::hex << row << ' ' << cell;
      ++compared;
    }
  }
  EXPECT_GT(compared, 6800);  // JIS X 0208 assigns 6,879 characters
}

TEST(EucJp, KanaAsciiAndWhatHasNoShiftJisForm) {
  EXPECT_EQ(toShiftJis("a/\x8E\xB1\x8E\xDF.txt"), "a/\xB1\xDF.txt");  // half-width ｱﾟ
  EXPECT_EQ(toShiftJis("\xC9\xBD"), "\x95\x5C");                     // 表: a 5C trail byte
  EXPECT_EQ(toShiftJis("\x8F\xB0\xA1x"), "_x");                      // JIS X 0212
  EXPECT_EQ(toShiftJis("\xA4"), "_");                                // cut short
  EXPECT_TRUE(looksLikeEucJp("\xC6\xFC\xCB\xDC.txt"));
  EXPECT_TRUE(looksLikeEucJp("\x8E\xB1"));
  EXPECT_FALSE(looksLikeEucJp("plain.txt"));
  EXPECT_FALSE(looksLikeEucJp("\xE6\x97\xA5.txt"));  // 日 in UTF-8
  EXPECT_FALSE(looksLikeEucJp("\x93\xFA\x96\x7B"));  // 日本 in Shift-JIS
  EXPECT_FALSE(looksLikeEucJp("\xA4\xA2\xA4"));
  EXPECT_FALSE(looksLikeEucJp("\x8E\xA0"));
}

std::vector<uint8_t> tarOf(const std::vector<std::string>& names) {
  using namespace fmt::tar;
  std::vector<uint8_t> bytes;
  for (const auto& n : names) {
    std::vector<uint8_t> b(kBlock, 0);
    putString(b.data(), kName, n);
    putOctal(b.data(), kMode, 0644);
    putOctal(b.data(), kSize, 1);
    putOctal(b.data(), kMtime, 1500000000);
    b[kTypeflag] = '0';
    std::memcpy(b.data() + kMagic.offset, "ustar\0" "00", 8);
    putChecksum(b.data());
    bytes.insert(bytes.end(), b.begin(), b.end());
    bytes.push_back('x');
    bytes.resize(roundUpToBlock(bytes.size()), 0);
  }
  bytes.resize(bytes.size() + 2 * kBlock, 0);
  return bytes;
}

TEST(EucJp, TheTarReaderConvertsOnlyEucJpNamesListedOrWalked) {
  const std::vector<std::string> stored = {"\xC6\xFC\xCB\xDC/\xC9\xBD.txt", "\xE6\x97\xA5.txt", "plain.txt"};
  for (auto opening : {fmt::tar::Opening::Listing, fmt::tar::Opening::ForWalk}) {
    auto r = fmt::tar::TarReader::open(fmt::memoryByteSource(tarOf(stored)), "t.tar", 0, opening);
    ASSERT_TRUE(r);
    r->readNamesAsEucJp();
    while (r->readMore()) {
    }
    const auto& e = r->entries();
    ASSERT_EQ(e.size(), 3u);
    EXPECT_EQ(e[0].name, "\x93\xFA\x96\x7B/\x95\x5C.txt");
    EXPECT_EQ(e[0].encoding, fmt::NameEncoding::ShiftJis);
    EXPECT_EQ(e[1].name, stored[1]);
    EXPECT_EQ(e[1].encoding, fmt::NameEncoding::Utf8);
    EXPECT_EQ(e[2].name, "plain.txt");
  }
}

}  // namespace
