// Traditional PKWARE encryption of ZIP entries (decryption only). Weak by
// modern standards, but it is what zip -e and most Windows tools still write.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/stream.h"

namespace fmt {

class ZipCrypto {
 public:
  static constexpr size_t kHeaderSize = 12;

  explicit ZipCrypto(const std::string& password);
  // Decrypts the 12-byte header that starts an entry's data and tells whether its
  // last byte equals `check` (the CRC's or the DOS time's high byte). A wrong
  // password passes this by chance once in 256 tries; the CRC catches the rest.
  bool decryptHeader(const uint8_t header[kHeaderSize], uint8_t check);
  void decrypt(uint8_t* data, size_t n);

 private:
  void update(uint8_t plain);
  uint32_t k0_ = 0x12345678, k1_ = 0x23456789, k2_ = 0x34567890;
};

// The data of an entry, decrypted on the way (its header already consumed).
class ZipDecryptInStream : public InStream {
 public:
  ZipDecryptInStream(InStream& in, ZipCrypto& crypto) : in_(in), crypto_(crypto) {}
  size_t read(void* buf, size_t n) override {
    size_t r = in_.read(buf, n);
    crypto_.decrypt(static_cast<uint8_t*>(buf), r);
    return r;
  }

 private:
  InStream& in_;
  ZipCrypto& crypto_;
};

}  // namespace fmt
