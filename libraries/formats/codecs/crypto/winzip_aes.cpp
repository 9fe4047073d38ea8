#include "codecs/crypto/winzip_aes.h"

#include <cstring>
#include <vector>

namespace fmt {

WinZipAes::WinZipAes(const uint8_t* keys, size_t keyLen) : aes_(keys, keyLen), mac_(keys + keyLen, keyLen) {}

namespace {

// Encryption key, authentication key and verifier, in that order.
std::vector<uint8_t> deriveKeys(const std::string& password, int strength, const uint8_t* salt) {
  if (!WinZipAes::validStrength(strength)) fail(ErrorKind::Unsupported, "unknown AES key strength");
  const size_t keyLen = WinZipAes::keySize(strength);
  std::vector<uint8_t> keys(2 * keyLen + WinZipAes::kVerifierSize);
  platform::pbkdf2HmacSha1(password, salt, WinZipAes::saltSize(strength), WinZipAes::kIterations, keys.data(),
                           keys.size());
  return keys;
}

}  // namespace

std::unique_ptr<WinZipAes> WinZipAes::unlock(const std::string& password, int strength, const uint8_t* salt,
                                             const uint8_t verifier[kVerifierSize]) {
  std::vector<uint8_t> keys = deriveKeys(password, strength, salt);
  const size_t keyLen = keySize(strength);
  if (std::memcmp(keys.data() + 2 * keyLen, verifier, kVerifierSize) != 0) return nullptr;
  return std::unique_ptr<WinZipAes>(new WinZipAes(keys.data(), keyLen));
}

std::unique_ptr<WinZipAes> WinZipAes::forWriting(const std::string& password, int strength, const uint8_t* salt,
                                                 uint8_t verifier[kVerifierSize]) {
  std::vector<uint8_t> keys = deriveKeys(password, strength, salt);
  const size_t keyLen = keySize(strength);
  std::memcpy(verifier, keys.data() + 2 * keyLen, kVerifierSize);
  return std::unique_ptr<WinZipAes>(new WinZipAes(keys.data(), keyLen));
}

void WinZipAes::applyKeystream(uint8_t* data, size_t n) {
  constexpr size_t kBlock = platform::AesEncryptor::kBlock;
  while (n) {
    if (streamPos_ == sizeof stream_) {
      // A run of counter blocks, encrypted in one call: the counter is a
      // 128-bit little-endian number, of which 64 bits can ever be reached.
      std::memset(stream_, 0, sizeof stream_);
      for (size_t b = 0; b < kStreamBlocks; b++) {
        const uint64_t c = ++counter_;
        for (size_t k = 0; k < 8; k++) stream_[b * kBlock + k] = static_cast<uint8_t>(c >> (8 * k));
      }
      aes_.encryptBlocks(stream_, stream_, kStreamBlocks);
      streamPos_ = 0;
    }
    size_t take = sizeof stream_ - streamPos_;
    if (take > n) take = n;
    for (size_t i = 0; i < take; i++) data[i] ^= stream_[streamPos_ + i];
    streamPos_ += take, data += take, n -= take;
  }
}

void WinZipAes::decrypt(uint8_t* data, size_t n) {
  mac_.update(data, n);
  applyKeystream(data, n);
}

void WinZipAes::encrypt(uint8_t* data, size_t n) {
  applyKeystream(data, n);
  mac_.update(data, n);
}

void WinZipAes::authCode(uint8_t code[kAuthSize]) {
  uint8_t digest[platform::HmacSha1::kDigest];
  mac_.finish(digest);
  std::memcpy(code, digest, kAuthSize);
}

bool WinZipAes::authenticates(const uint8_t stored[kAuthSize]) {
  uint8_t code[kAuthSize];
  authCode(code);
  uint8_t diff = 0;
  for (size_t i = 0; i < kAuthSize; i++) diff |= static_cast<uint8_t>(code[i] ^ stored[i]);
  return diff == 0;
}

}  // namespace fmt
