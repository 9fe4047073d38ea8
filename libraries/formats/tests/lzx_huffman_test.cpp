// Code lengths the LZX encoder builds, and the table decoder reading them.
#include <gtest/gtest.h>

#include <numeric>

#include "codecs/lzx/lzx_bits.h"
#include "codecs/lzx/lzx_huffman.h"
#include "base/error.h"
#include "test_support.h"

namespace {

using namespace fmt::codecs::lzx;

uint64_t kraft(const std::vector<uint8_t>& len) {
  uint64_t k = 0;
  for (uint8_t l : len)
    if (l) k += uint64_t(1) << (16 - l);
  return k;
}

// Encodes every symbol once with the canonical codes, then decodes them back.
void expectCodesRoundTrip(const std::vector<uint8_t>& len, int tableBits) {
  std::vector<uint16_t> codes = canonicalCodes(len.data(), static_cast<int>(len.size()));
  std::vector<uint8_t> stream;
  BitWriter w(stream);
  std::vector<int> sent;
  for (size_t s = 0; s < len.size(); ++s)
    if (len[s]) {
      w.put(codes[s], len[s]);
      sent.push_back(static_cast<int>(s));
    }
  w.flush();
  HuffmanDecoder dec;
  dec.build(len.data(), static_cast<int>(len.size()), tableBits);
  BitReader br;
  br.start(stream.data(), stream.size());
  for (int s : sent) {
    br.refill();
    ASSERT_EQ(dec.decode(br), s);
  }
}

TEST(LzxHuffman, LengthsStayWithinTheLimitAndFormCompleteCodes) {
  // Fibonacci weights make the unlimited tree as deep as the symbol count.
  std::vector<uint32_t> fib(40);
  fib[0] = fib[1] = 1;
  for (size_t i = 2; i < fib.size(); ++i) fib[i] = fib[i - 1] + fib[i - 2];
  for (int limit : {7, 15, 16}) {
    std::vector<uint8_t> len = buildLengths(fib.data(), static_cast<int>(fib.size()), limit);
    EXPECT_LE(*std::max_element(len.begin(), len.end()), limit);
    EXPECT_EQ(kraft(len), uint64_t(1) << 16) << limit;
    expectCodesRoundTrip(len, 9);
  }
  // Skewed random frequencies over the main tree's alphabet, many unused.
  std::vector<uint8_t> r = testsupport::randomBytes(656 * 2, 4);
  std::vector<uint32_t> freq(656);
  for (size_t i = 0; i < freq.size(); ++i) freq[i] = (r[2 * i] & 3) ? 0 : (1u << (r[2 * i + 1] % 20));
  std::vector<uint8_t> len = buildLengths(freq.data(), 656, 16);
  EXPECT_EQ(kraft(len), uint64_t(1) << 16);
  for (size_t i = 0; i < freq.size(); ++i) EXPECT_EQ(len[i] != 0, freq[i] != 0) << i;
  expectCodesRoundTrip(len, 12);
}

TEST(LzxHuffman, LoneSymbolStillGetsACompleteCode) {
  uint32_t freq[8] = {0, 0, 0, 0, 0, 9, 0, 0};
  std::vector<uint8_t> len = buildLengths(freq, 8, 7);
  EXPECT_EQ(len[5], 1);
  EXPECT_EQ(kraft(len), uint64_t(1) << 16);
  uint32_t none[8] = {};
  EXPECT_EQ(kraft(buildLengths(none, 8, 7)), 0u);
}

TEST(LzxHuffman, DecoderRejectsOversubscribedAndUnassignedCodes) {
  std::vector<uint8_t> over = {1, 1, 1};
  HuffmanDecoder dec;
  EXPECT_THROW(dec.build(over.data(), 3, 8), fmt::Error);
  // Incomplete: only the code 0 is assigned; all-ones bits hit no symbol,
  // also past the table (a 3-bit table with a code of length 5).
  std::vector<uint8_t> partial = {5, 0, 0};
  dec.build(partial.data(), 3, 3);
  std::vector<uint8_t> ones(8, 0xFF);
  BitReader br;
  br.start(ones.data(), ones.size());
  br.refill();
  EXPECT_THROW(dec.decode(br), fmt::Error);
  std::vector<uint8_t> zeros(8, 0);
  br.start(zeros.data(), zeros.size());
  br.refill();
  EXPECT_EQ(dec.decode(br), 0);
}

}  // namespace
