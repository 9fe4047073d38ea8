#include "codecs/lh/lh_decoder.h"

#include <cstring>

#include "codecs/msb_bit_reader.h"
#include "codecs/lh/huffman_table.h"
#include "codecs/lh/lz_window.h"

namespace fmt::codecs {

namespace {

constexpr int kCharCodes = 510;  // 256 literals + match lengths 3..256
constexpr int kLengthCodes = 19; // the tree that codes the literal tree's lengths
constexpr int kMinMatch = 3;

class BlockDecoder {
 public:
  BlockDecoder(MsbBitReader& br, int positionCodes, int positionBits)
      : br_(br), npos_(positionCodes), pbits_(positionBits) {}

  // Reads a block header: its code count and three trees.
  uint32_t readBlock() {
    uint32_t codes = br_.bits(16);
    readLengthTree(lengthTree_, kLengthCodes, 5, 3);
    readCharTree();
    readLengthTree(posTree_, npos_, pbits_, -1);
    if (br_.overrun()) fail(ErrorKind::Truncated, "compressed data ends early");
    // A block of zero codes would never make progress.
    if (codes == 0) fail(ErrorKind::Corrupt, "empty compressed block");
    return codes;
  }

  // One refill covers a literal/length code, a position code and its extra
  // bits (16 + 16 + 15).
  int charCode() {
    br_.ensure(47);
    return charTree_.decodeAvailable(br_);
  }
  uint32_t distance() {
    int p = posTree_.decodeAvailable(br_);
    if (p <= 1) return static_cast<uint32_t>(p) + 1;
    return (1u << (p - 1)) + br_.take(p - 1) + 1;
  }

 private:
  // Lengths written as 3-bit values, 7 extended by a run of 1 bits; after
  // `special` entries a 2-bit count of zero lengths follows.
  void readLengthTree(HuffmanTable& tree, int max, int countBits, int special) {
    int n = static_cast<int>(br_.bits(countBits));
    if (n == 0) {
      int sym = static_cast<int>(br_.bits(countBits));
      if (sym >= max) fail(ErrorKind::Corrupt, "bad Huffman tree");
      tree.single(sym);
      return;
    }
    if (n > max) fail(ErrorKind::Corrupt, "bad Huffman tree");
    uint8_t len[32] = {};
    int i = 0;
    while (i < n) {
      int c = static_cast<int>(br_.bits(3));
      if (c == 7) {
        while (br_.bit()) {
          if (++c > HuffmanTable::kMaxBits) fail(ErrorKind::Corrupt, "bad Huffman tree");
        }
      }
      len[i++] = static_cast<uint8_t>(c);
      if (i == special) {
        i += static_cast<int>(br_.bits(2));  // already zero
        if (i > max) i = max;
      }
    }
    if (!tree.build(len, max)) fail(ErrorKind::Corrupt, "bad Huffman tree");
  }

  // Literal and length tree, its lengths coded with the length tree; codes
  // 0, 1 and 2 stand for runs of unused symbols.
  void readCharTree() {
    int n = static_cast<int>(br_.bits(9));
    if (n == 0) {
      int sym = static_cast<int>(br_.bits(9));
      if (sym >= kCharCodes) fail(ErrorKind::Corrupt, "bad Huffman tree");
      charTree_.single(sym);
      return;
    }
    if (n > kCharCodes) fail(ErrorKind::Corrupt, "bad Huffman tree");
    uint8_t len[kCharCodes] = {};
    int i = 0;
    while (i < n) {
      int c = lengthTree_.decode(br_);
      if (c > 2) {
        len[i++] = static_cast<uint8_t>(c - 2);
        continue;
      }
      int zeros = c == 0 ? 1 : c == 1 ? static_cast<int>(br_.bits(4)) + 3 : static_cast<int>(br_.bits(9)) + 20;
      i = i + zeros > kCharCodes ? kCharCodes : i + zeros;
    }
    if (!charTree_.build(len, kCharCodes)) fail(ErrorKind::Corrupt, "bad Huffman tree");
  }

  MsbBitReader& br_;
  int npos_, pbits_;
  HuffmanTable lengthTree_{8};
  HuffmanTable charTree_{12};
  HuffmanTable posTree_{8};
};

}  // namespace

LhDecoder::LhDecoder(int windowBits) {
  // -lh4- shares -lh5-'s position tree (its encoders never use the far codes).
  positionCodes_ = windowBits <= 13 ? 14 : windowBits + 1;
  positionBits_ = positionCodes_ <= 15 ? 4 : 5;
}

void LhDecoder::decode(InStream& in, uint64_t size, OutStream& out) {
  MsbBitReader br(in);
  BlockDecoder blocks(br, positionCodes_, positionBits_);
  // 2^17 covers the farthest distance any position tree can express.
  LzWindow window(out, size, 17);
  uint32_t left = 0;
  while (window.remaining()) {
    if (left == 0) left = blocks.readBlock();
    --left;
    int c = blocks.charCode();
    if (c < 256) {
      window.put(static_cast<uint8_t>(c));
    } else {
      size_t len = static_cast<size_t>(c - 256 + kMinMatch);
      window.copy(blocks.distance(), len);
    }
  }
  window.flush();
  if (br.overrun()) fail(ErrorKind::Truncated, "compressed data ends early");
}

}  // namespace fmt::codecs
