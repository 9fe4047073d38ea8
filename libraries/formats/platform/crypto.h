// The cryptographic primitives the engines need, from the system's own library:
// Windows CNG (bcrypt) in the Windows build, OpenSSL's libcrypto natively. The
// build picks one backend; nothing above this layer knows which.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace fmt::platform {

// AES in ECB mode over whole blocks: the building block of counter modes.
// Throws Error (Io) when the backend refuses the key or fails.
class AesEncryptor {
 public:
  static constexpr size_t kBlock = 16;
  // key: 16, 24 or 32 bytes.
  AesEncryptor(const uint8_t* key, size_t keyLen);
  ~AesEncryptor();
  AesEncryptor(const AesEncryptor&) = delete;
  AesEncryptor& operator=(const AesEncryptor&) = delete;
  // Encrypts `blocks` blocks; in and out may be the same buffer.
  void encryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks);

  struct State;

 private:
  std::unique_ptr<State> s_;
};

class HmacSha1 {
 public:
  static constexpr size_t kDigest = 20;
  HmacSha1(const uint8_t* key, size_t keyLen);
  ~HmacSha1();
  HmacSha1(const HmacSha1&) = delete;
  HmacSha1& operator=(const HmacSha1&) = delete;
  void update(const uint8_t* data, size_t n);
  // The digest of everything given; the object is spent afterwards.
  void finish(uint8_t digest[kDigest]);

  struct State;

 private:
  std::unique_ptr<State> s_;
};

// PBKDF2 with HMAC-SHA1 as the pseudo-random function.
void pbkdf2HmacSha1(const std::string& password, const uint8_t* salt, size_t saltLen, uint32_t iterations,
                    uint8_t* out, size_t outLen);

}  // namespace fmt::platform
