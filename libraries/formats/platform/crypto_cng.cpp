// The cryptographic primitives over Windows CNG (bcrypt.dll).
#include <windows.h>
#include <bcrypt.h>

#include <vector>

#include "base/error.h"
#include "platform/crypto.h"

namespace fmt::platform {
namespace {

[[noreturn]] void cngFailed(const char* what, NTSTATUS status) {
  char code[16];
  wsprintfA(code, "%08lx", static_cast<unsigned long>(status));
  fail(ErrorKind::Io, std::string("CNG: ") + what + " (status " + code + ")");
}

void check(NTSTATUS status, const char* what) {
  if (!BCRYPT_SUCCESS(status)) cngFailed(what, status);
}

// Providers are opened once per process: opening one is slow, and they are
// safe to share between threads.
BCRYPT_ALG_HANDLE provider(const wchar_t* alg, ULONG flags) {
  BCRYPT_ALG_HANDLE h = nullptr;
  check(BCryptOpenAlgorithmProvider(&h, alg, nullptr, flags), "cannot open an algorithm provider");
  return h;
}

BCRYPT_ALG_HANDLE aesEcb() {
  static BCRYPT_ALG_HANDLE h = [] {
    BCRYPT_ALG_HANDLE a = provider(BCRYPT_AES_ALGORITHM, 0);
    static wchar_t mode[] = BCRYPT_CHAIN_MODE_ECB;
    check(BCryptSetProperty(a, BCRYPT_CHAINING_MODE, reinterpret_cast<PUCHAR>(mode), sizeof mode, 0),
          "cannot choose ECB for AES");
    return a;
  }();
  return h;
}

BCRYPT_ALG_HANDLE hmacSha1() {
  static BCRYPT_ALG_HANDLE h = provider(BCRYPT_SHA1_ALGORITHM, BCRYPT_ALG_HANDLE_HMAC_FLAG);
  return h;
}

}  // namespace

struct AesEncryptor::State {
  BCRYPT_KEY_HANDLE key = nullptr;
  ~State() {
    if (key) BCryptDestroyKey(key);
  }
};

AesEncryptor::AesEncryptor(const uint8_t* key, size_t keyLen) : s_(std::make_unique<State>()) {
  if (keyLen != 16 && keyLen != 24 && keyLen != 32) fail(ErrorKind::Usage, "an AES key is 16, 24 or 32 bytes");
  check(BCryptGenerateSymmetricKey(aesEcb(), &s_->key, nullptr, 0, const_cast<PUCHAR>(key), static_cast<ULONG>(keyLen), 0),
        "cannot make the AES key");
}

AesEncryptor::~AesEncryptor() = default;

void AesEncryptor::encryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) {
  constexpr size_t kSlice = size_t(1) << 20;
  size_t bytes = blocks * kBlock;
  while (bytes) {
    const ULONG n = static_cast<ULONG>(bytes < kSlice ? bytes : kSlice);
    ULONG made = 0;
    check(BCryptEncrypt(s_->key, const_cast<PUCHAR>(in), n, nullptr, nullptr, 0, out, n, &made, 0),
          "AES encryption failed");
    if (made != n) cngFailed("AES encryption came out short", 0);
    in += n, out += n, bytes -= n;
  }
}

struct HmacSha1::State {
  BCRYPT_HASH_HANDLE hash = nullptr;
  ~State() {
    if (hash) BCryptDestroyHash(hash);
  }
};

HmacSha1::HmacSha1(const uint8_t* key, size_t keyLen) : s_(std::make_unique<State>()) {
  check(BCryptCreateHash(hmacSha1(), &s_->hash, nullptr, 0, const_cast<PUCHAR>(key), static_cast<ULONG>(keyLen), 0),
        "cannot set up HMAC-SHA1");
}

HmacSha1::~HmacSha1() = default;

void HmacSha1::update(const uint8_t* data, size_t n) {
  constexpr size_t kSlice = size_t(1) << 30;
  while (n) {
    const ULONG part = static_cast<ULONG>(n < kSlice ? n : kSlice);
    check(BCryptHashData(s_->hash, const_cast<PUCHAR>(data), part, 0), "HMAC-SHA1 failed");
    data += part, n -= part;
  }
}

void HmacSha1::finish(uint8_t digest[kDigest]) {
  check(BCryptFinishHash(s_->hash, digest, kDigest, 0), "HMAC-SHA1 failed");
}

void pbkdf2HmacSha1(const std::string& password, const uint8_t* salt, size_t saltLen, uint32_t iterations,
                    uint8_t* out, size_t outLen) {
  std::vector<UCHAR> pw(password.begin(), password.end());
  check(BCryptDeriveKeyPBKDF2(hmacSha1(), pw.empty() ? nullptr : pw.data(), static_cast<ULONG>(pw.size()),
                              const_cast<PUCHAR>(salt), static_cast<ULONG>(saltLen), iterations, out,
                              static_cast<ULONG>(outLen), 0),
        "PBKDF2 failed");
}

}  // namespace fmt::platform
