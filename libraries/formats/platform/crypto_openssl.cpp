// The cryptographic primitives over OpenSSL's libcrypto (the native build).
#include <openssl/core_names.h>
#include <openssl/evp.h>

#include "base/error.h"
#include "platform/crypto.h"

namespace fmt::platform {
namespace {

[[noreturn]] void cryptoFailed(const char* what) { fail(ErrorKind::Io, std::string("libcrypto: ") + what); }

}  // namespace

struct AesEncryptor::State {
  EVP_CIPHER_CTX* ctx = nullptr;
  ~State() { EVP_CIPHER_CTX_free(ctx); }
};

AesEncryptor::AesEncryptor(const uint8_t* key, size_t keyLen) : s_(std::make_unique<State>()) {
  const EVP_CIPHER* cipher = keyLen == 16   ? EVP_aes_128_ecb()
                             : keyLen == 24 ? EVP_aes_192_ecb()
                             : keyLen == 32 ? EVP_aes_256_ecb()
                                            : nullptr;
  if (!cipher) fail(ErrorKind::Usage, "an AES key is 16, 24 or 32 bytes");
  s_->ctx = EVP_CIPHER_CTX_new();
  if (!s_->ctx || EVP_EncryptInit_ex(s_->ctx, cipher, nullptr, key, nullptr) != 1) cryptoFailed("cannot set up AES");
  EVP_CIPHER_CTX_set_padding(s_->ctx, 0);
}

AesEncryptor::~AesEncryptor() = default;

void AesEncryptor::encryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) {
  // EVP lengths are int: large requests go in slices.
  constexpr size_t kSlice = size_t(1) << 20;
  size_t bytes = blocks * kBlock;
  while (bytes) {
    const size_t n = bytes < kSlice ? bytes : kSlice;
    int made = 0;
    if (EVP_EncryptUpdate(s_->ctx, out, &made, in, static_cast<int>(n)) != 1 || static_cast<size_t>(made) != n)
      cryptoFailed("AES encryption failed");
    in += n, out += n, bytes -= n;
  }
}

struct HmacSha1::State {
  EVP_MAC* mac = nullptr;
  EVP_MAC_CTX* ctx = nullptr;
  ~State() {
    EVP_MAC_CTX_free(ctx);
    EVP_MAC_free(mac);
  }
};

HmacSha1::HmacSha1(const uint8_t* key, size_t keyLen) : s_(std::make_unique<State>()) {
  s_->mac = EVP_MAC_fetch(nullptr, "HMAC", nullptr);
  if (!s_->mac || !(s_->ctx = EVP_MAC_CTX_new(s_->mac))) cryptoFailed("no HMAC");
  char digest[] = "SHA1";
  OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0), OSSL_PARAM_construct_end()};
  if (EVP_MAC_init(s_->ctx, key, keyLen, params) != 1) cryptoFailed("cannot set up HMAC-SHA1");
}

HmacSha1::~HmacSha1() = default;

void HmacSha1::update(const uint8_t* data, size_t n) {
  if (n && EVP_MAC_update(s_->ctx, data, n) != 1) cryptoFailed("HMAC-SHA1 failed");
}

void HmacSha1::finish(uint8_t digest[kDigest]) {
  size_t len = 0;
  if (EVP_MAC_final(s_->ctx, digest, &len, kDigest) != 1 || len != kDigest) cryptoFailed("HMAC-SHA1 failed");
}

void pbkdf2HmacSha1(const std::string& password, const uint8_t* salt, size_t saltLen, uint32_t iterations,
                    uint8_t* out, size_t outLen) {
  if (PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()), salt, static_cast<int>(saltLen),
                        static_cast<int>(iterations), EVP_sha1(), static_cast<int>(outLen), out) != 1)
    cryptoFailed("PBKDF2 failed");
}

}  // namespace fmt::platform
