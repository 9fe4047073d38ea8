#include "codecs/crypto/zipcrypto.h"

#include "core/checksum.h"

namespace fmt {
namespace {

// One step of the CRC-32 register without the pre- and post-inversion that
// crc32Update applies: the key schedule uses the bare register.
inline uint32_t crcStep(uint32_t reg, uint8_t b) { return ~crc32Update(~reg, &b, 1); }

}  // namespace

ZipCrypto::ZipCrypto(const std::string& password) {
  for (unsigned char c : password) update(c);
}

void ZipCrypto::update(uint8_t plain) {
  k0_ = crcStep(k0_, plain);
  k1_ = (k1_ + (k0_ & 0xFF)) * 134775813u + 1;
  k2_ = crcStep(k2_, static_cast<uint8_t>(k1_ >> 24));
}

void ZipCrypto::decrypt(uint8_t* data, size_t n) {
  for (size_t i = 0; i < n; i++) {
    uint32_t t = (k2_ | 2) & 0xFFFF;
    uint8_t plain = static_cast<uint8_t>(data[i] ^ ((t * (t ^ 1)) >> 8));
    update(plain);
    data[i] = plain;
  }
}

bool ZipCrypto::decryptHeader(const uint8_t header[kHeaderSize], uint8_t check) {
  uint8_t h[kHeaderSize];
  for (size_t i = 0; i < kHeaderSize; i++) h[i] = header[i];
  decrypt(h, kHeaderSize);
  return h[kHeaderSize - 1] == check;
}

}  // namespace fmt
