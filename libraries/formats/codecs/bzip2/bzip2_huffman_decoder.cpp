#include "codecs/bzip2/bzip2_huffman_decoder.h"

#include <cstring>

namespace fmt::codecs::bz2 {

void HuffmanDecoder::build(const uint8_t* lengths, int count) {
  int perLength[kMaxCodeLength + 2] = {};
  for (int s = 0; s < count; s++) perLength[lengths[s]]++;
  uint32_t kraft = 0;
  for (int l = 1; l <= kMaxCodeLength; l++) kraft += static_cast<uint32_t>(perLength[l]) << (kMaxCodeLength - l);
  if (kraft > (1u << kMaxCodeLength)) fail(ErrorKind::Corrupt, "bzip2 Huffman table is over-subscribed");

  // Symbols in code order: by length, then by symbol number.
  int start[kMaxCodeLength + 2] = {};
  for (int l = 1; l <= kMaxCodeLength; l++) start[l + 1] = start[l] + perLength[l];
  int fill[kMaxCodeLength + 2];
  std::memcpy(fill, start, sizeof fill);
  for (int s = 0; s < count; s++) sorted_[fill[lengths[s]]++] = static_cast<uint16_t>(s);

  std::memset(fast_, 0, sizeof fast_);
  maxLength_ = 0;
  int32_t code = 0;
  for (int l = 1; l <= kMaxCodeLength; l++) {
    offset_[l] = start[l] - code;
    for (int i = 0; i < perLength[l]; i++, code++) {
      if (l <= kFastBits) {
        int shift = kFastBits - l;
        uint16_t e = static_cast<uint16_t>(sorted_[start[l] + i] << 5 | l);
        for (int k = 0; k < (1 << shift); k++) fast_[(code << shift) + k] = e;
      }
    }
    limit_[l] = code;
    if (perLength[l]) maxLength_ = l;
    code <<= 1;
  }
}

int HuffmanDecoder::decodeLong(MsbBitReader& br) const {
  uint32_t v = br.peek(kMaxCodeLength);
  for (int l = kFastBits + 1; l <= maxLength_; l++) {
    int32_t c = static_cast<int32_t>(v >> (kMaxCodeLength - l));
    if (c < limit_[l]) {
      br.skip(l);
      return sorted_[offset_[l] + c];
    }
  }
  fail(ErrorKind::Corrupt, "bzip2 data holds an unassigned Huffman code");
}

}  // namespace fmt::codecs::bz2
