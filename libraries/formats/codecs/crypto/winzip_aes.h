// WinZip's AES encryption of ZIP entries (AE-1 and AE-2): a key from the
// password by PBKDF2-HMAC-SHA1, AES in counter mode with a little-endian block
// counter that starts at 1, and HMAC-SHA1 over the encrypted bytes, of which
// the first 10 are stored after the data. The primitives are the platform's.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "base/stream.h"
#include "platform/crypto.h"

namespace fmt {

class WinZipAes {
 public:
  static constexpr size_t kVerifierSize = 2;
  static constexpr size_t kAuthSize = 10;
  static constexpr uint32_t kIterations = 1000;

  // Strength as the extra field stores it: 1, 2, 3 for 128-, 192-, 256-bit keys.
  static bool validStrength(int strength) { return strength >= 1 && strength <= 3; }
  static size_t keySize(int strength) { return 8 + 8 * static_cast<size_t>(strength); }
  static size_t saltSize(int strength) { return 4 + 4 * static_cast<size_t>(strength); }

  // Derives the keys; null when the password verifier does not match (the
  // password is wrong, or by a 1 in 65,536 chance it passes and the
  // authentication code tells later).
  static std::unique_ptr<WinZipAes> unlock(const std::string& password, int strength, const uint8_t* salt,
                                           const uint8_t verifier[kVerifierSize]);
  // The keys and verifier for writing (tests and writers).
  static std::unique_ptr<WinZipAes> forWriting(const std::string& password, int strength, const uint8_t* salt,
                                               uint8_t verifier[kVerifierSize]);

  // Counter mode is its own inverse; the authentication code covers the
  // encrypted side, so each direction feeds it the right bytes.
  void decrypt(uint8_t* data, size_t n);
  void encrypt(uint8_t* data, size_t n);
  // The first kAuthSize bytes of the HMAC of everything passed; once only.
  void authCode(uint8_t code[kAuthSize]);
  bool authenticates(const uint8_t stored[kAuthSize]);

 private:
  WinZipAes(const uint8_t* keys, size_t keyLen);
  void applyKeystream(uint8_t* data, size_t n);

  platform::AesEncryptor aes_;
  platform::HmacSha1 mac_;
  static constexpr size_t kStreamBlocks = 4096;  // 64 KB a call: each call into the backend has its cost
  uint8_t stream_[kStreamBlocks * platform::AesEncryptor::kBlock];
  size_t streamPos_ = sizeof stream_;  // all used: the next byte needs fresh blocks
  uint64_t counter_ = 0;               // the last block number made
};

// Decrypts an entry's data as it is read; `in` yields exactly the encrypted
// bytes (between the verifier and the authentication code).
class WinZipAesInStream : public InStream {
 public:
  WinZipAesInStream(InStream& in, WinZipAes& aes) : in_(in), aes_(aes) {}
  size_t read(void* buf, size_t n) override {
    size_t r = in_.read(buf, n);
    aes_.decrypt(static_cast<uint8_t*>(buf), r);
    return r;
  }

 private:
  InStream& in_;
  WinZipAes& aes_;
};

}  // namespace fmt
