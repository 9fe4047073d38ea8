// The platform's cryptography against published test vectors (both backends:
// this test runs in the native and the Windows tree), and WinZip AES entries
// crafted here: right and wrong passwords, damage, AE-1 and AE-2.
#include <gtest/gtest.h>

#include <cstring>

#include "codecs/crypto/winzip_aes.h"
#include "platform/crypto.h"
#include "test_support.h"
#include "zip/zip_reader.h"
#include "zip_test_writer.h"

namespace {

using ziptest::CraftEntry;

std::vector<uint8_t> unhex(const std::string& h) {
  std::vector<uint8_t> v;
  for (size_t i = 0; i + 1 < h.size(); i += 2) v.push_back(static_cast<uint8_t>(std::stoul(h.substr(i, 2), nullptr, 16)));
  return v;
}

std::vector<uint8_t> counting(size_t n) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; i++) v[i] = static_cast<uint8_t>(i);
  return v;
}

TEST(PlatformCrypto, AesMatchesTheStandardsVectors) {
  const auto plain = unhex("00112233445566778899aabbccddeeff");
  const std::pair<size_t, const char*> cases[] = {{16, "69c4e0d86a7b0430d8cdb78070b4c55a"},
                                                  {24, "dda97ca4864cdfe06eaf70a0ec0d7191"},
                                                  {32, "8ea2b7ca516745bfeafc49904b496089"}};
  for (const auto& [len, want] : cases) {
    const auto key = counting(len);
    fmt::platform::AesEncryptor aes(key.data(), key.size());
    // Three blocks in one call, in place: each must come out alike.
    std::vector<uint8_t> buf;
    for (int k = 0; k < 3; k++) buf.insert(buf.end(), plain.begin(), plain.end());
    aes.encryptBlocks(buf.data(), buf.data(), 3);
    for (int k = 0; k < 3; k++)
      EXPECT_EQ(std::vector<uint8_t>(buf.begin() + 16 * k, buf.begin() + 16 * (k + 1)), unhex(want)) << len;
  }
  const auto badKey = counting(20);
  EXPECT_THROW(fmt::platform::AesEncryptor(badKey.data(), badKey.size()), fmt::Error);
}

TEST(PlatformCrypto, HmacSha1AndPbkdf2MatchTheirRfcs) {
  const std::string key = "Jefe", data = "what do ya want for nothing?";
  fmt::platform::HmacSha1 mac(reinterpret_cast<const uint8_t*>(key.data()), key.size());
  // In two pieces: updates add up.
  mac.update(reinterpret_cast<const uint8_t*>(data.data()), 10);
  mac.update(reinterpret_cast<const uint8_t*>(data.data()) + 10, data.size() - 10);
  uint8_t digest[20];
  mac.finish(digest);
  EXPECT_EQ(std::vector<uint8_t>(digest, digest + 20), unhex("effcdf6ae5eb2fa2d27416d5f184df9c259a7c79"));

  const std::string salt = "salt";
  const std::pair<uint32_t, const char*> cases[] = {{1, "0c60c80f961f0e71f3a9b524af6012062fe037a6"},
                                                    {2, "ea6c014dc72d6f8ccd1ed92ace1d41f0d8de8957"},
                                                    {4096, "4b007901b765489abead49d926f721d065a429c1"}};
  for (const auto& [iterations, want] : cases) {
    uint8_t out[20];
    fmt::platform::pbkdf2HmacSha1("password", reinterpret_cast<const uint8_t*>(salt.data()), salt.size(), iterations,
                                  out, sizeof out);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 20), unhex(want)) << iterations;
  }
  // Longer than one digest: the second block follows the first.
  uint8_t longOut[25];
  const std::string salt2 = "saltSALTsaltSALTsaltSALTsaltSALTsalt";
  fmt::platform::pbkdf2HmacSha1("passwordPASSWORDpassword", reinterpret_cast<const uint8_t*>(salt2.data()),
                                salt2.size(), 4096, longOut, sizeof longOut);
  EXPECT_EQ(std::vector<uint8_t>(longOut, longOut + 25), unhex("3d2eec4fe41c849b80c8d83662c0e44a8b291a964cf2f07038"));
}

// An AES entry as WinZip lays it out: salt, verifier, encrypted data, code.
struct AesParams {
  std::string password = "open sesame";
  int strength = 3;
  uint16_t version = 2;
  uint16_t method = 8;
};

CraftEntry aesEntry(const std::string& name, const std::vector<uint8_t>& data, const AesParams& params) {
  CraftEntry e;
  e.name = name;
  e.data = data;
  e.method = 99;
  e.flags = 1;
  std::vector<uint8_t> body = params.method == 8 ? ziptest::rawDeflate(data) : data;
  std::vector<uint8_t> salt = testsupport::randomBytes(fmt::WinZipAes::saltSize(params.strength), 77);
  uint8_t verifier[2];
  auto aes = fmt::WinZipAes::forWriting(params.password, params.strength, salt.data(), verifier);
  aes->encrypt(body.data(), body.size());
  uint8_t code[fmt::WinZipAes::kAuthSize];
  aes->authCode(code);
  std::vector<uint8_t> packed = salt;
  packed.insert(packed.end(), verifier, verifier + 2);
  packed.insert(packed.end(), body.begin(), body.end());
  packed.insert(packed.end(), code, code + sizeof code);
  e.packed = packed;
  if (params.version == 2) e.crc = 0;
  const std::vector<uint8_t> field = {uint8_t(params.version), 0, 'A', 'E', uint8_t(params.strength), uint8_t(params.method), 0};
  e.centralExtra = ziptest::extraField(0x9901, field);
  e.localExtra = e.centralExtra;
  return e;
}

std::unique_ptr<fmt::zip::ZipReader> openBytes(const std::vector<uint8_t>& bytes) {
  return fmt::zip::ZipReader::open(fmt::memoryByteSource(bytes));
}

// Answers with the passwords in turn, counting the questions.
struct Answers {
  std::vector<std::string> passwords;
  size_t asked = 0;
  fmt::PasswordFn fn() {
    return [this](const fmt::Entry&, std::string& pw) {
      if (asked >= passwords.size()) return false;
      pw = passwords[asked++];
      return true;
    };
  }
};

fmt::ErrorKind failure(fmt::ArchiveReader& r, size_t i, std::string* why = nullptr) {
  fmt::MemoryOutStream out;
  try {
    r.extract(i, out);
  } catch (const fmt::Error& e) {
    if (why) *why = e.what();
    return e.kind();
  }
  ADD_FAILURE() << "entry " << i << " extracted";
  return fmt::ErrorKind::Io;
}

TEST(WinZipAesEntries, EveryStrengthBothVersionsAndMethodsRead) {
  const auto data = testsupport::textBytes(300000, 5);  // more than one run of counter blocks
  std::vector<CraftEntry> entries;
  for (int strength : {1, 2, 3})
    for (uint16_t version : {1, 2})
      for (uint16_t method : {0, 8}) {
        AesParams params;
        params.strength = strength, params.version = version, params.method = method;
        entries.push_back(aesEntry("s" + std::to_string(strength) + "v" + std::to_string(version) + "m" +
                                       std::to_string(method),
                                   data, params));
      }
  auto r = openBytes(ziptest::craftZip(entries));
  ASSERT_TRUE(r);
  Answers answers{{"open sesame"}};
  r->setPasswordFn(answers.fn());
  for (size_t i = 0; i < entries.size(); i++) {
    fmt::MemoryOutStream out;
    r->extract(i, out);
    EXPECT_TRUE(out.data == data) << entries[i].name;
  }
  EXPECT_EQ(answers.asked, 1u) << "the password that opened one entry opens the next without asking";
  EXPECT_EQ(r->entries()[0].method, "stored+AES128");
  EXPECT_EQ(r->entries()[11].method, "deflate+AES256");
}

TEST(WinZipAesEntries, WrongPasswordIsAskedAgainAndNeverKept) {
  const auto data = testsupport::textBytes(5000, 6);
  AesParams first, second;
  second.password = "another";
  auto r = openBytes(ziptest::craftZip({aesEntry("a", data, first), aesEntry("b", data, second), aesEntry("c", data, first)}));
  ASSERT_TRUE(r);
  // A wrong try, then the right one.
  Answers answers{{"nope", "open sesame", "open sesame", "open sesame", "another", "open sesame"}};
  r->setPasswordFn(answers.fn());
  fmt::MemoryOutStream out;
  r->extract(0, out);
  EXPECT_TRUE(out.data == data);
  EXPECT_EQ(answers.asked, 2u);
  // The remembered one fails on b; asking again with the same answer stops at once.
  std::string why;
  EXPECT_EQ(failure(*r, 1, &why), fmt::ErrorKind::Password);
  EXPECT_NE(why.find("wrong password"), std::string::npos) << why;
  EXPECT_EQ(answers.asked, 4u);
  // b's failure forgot the password: c asks, and gets "another" first (wrong), then the right one.
  fmt::MemoryOutStream outC;
  r->extract(2, outC);
  EXPECT_TRUE(outC.data == data);
  EXPECT_EQ(answers.asked, 6u);
  // Without an answer the entry is skipped.
  auto skipped = openBytes(ziptest::craftZip({aesEntry("a", data, first)}));
  Answers none;
  skipped->setPasswordFn(none.fn());
  EXPECT_EQ(failure(*skipped, 0, &why), fmt::ErrorKind::Password);
  EXPECT_NE(why.find("skipped"), std::string::npos) << why;
}

TEST(WinZipAesEntries, DamageIsCaughtByTheAuthenticationCode) {
  const auto data = testsupport::textBytes(20000, 7);
  AesParams stored;
  stored.method = 0;
  CraftEntry inData = aesEntry("data", data, stored);
  (*inData.packed)[100] ^= 1;  // stored data: only the code can tell
  CraftEntry inCode = aesEntry("code", data, stored);
  inCode.packed->back() ^= 0x80;
  AesParams ae1;
  ae1.version = 1;
  CraftEntry badCrc = aesEntry("crc", data, ae1);
  badCrc.crc = 0x12345678;  // AE-1 keeps the CRC, and it is checked
  CraftEntry shortEntry = aesEntry("short", data, stored);
  shortEntry.packed->resize(20);  // less than salt, verifier and code
  CraftEntry badStrength = aesEntry("strength", data, stored);
  badStrength.centralExtra = ziptest::extraField(0x9901, {2, 0, 'A', 'E', 4, 0, 0});
  CraftEntry noField = aesEntry("nofield", data, stored);
  noField.centralExtra.clear();
  auto r = openBytes(ziptest::craftZip({inData, inCode, badCrc, shortEntry, badStrength, noField}));
  ASSERT_TRUE(r);
  Answers answers{std::vector<std::string>(20, "open sesame")};
  r->setPasswordFn(answers.fn());
  std::string why;
  for (size_t i : {0u, 1u}) {
    EXPECT_EQ(failure(*r, i, &why), fmt::ErrorKind::Checksum);
    EXPECT_NE(why.find("wrong password or damaged data"), std::string::npos) << why;
  }
  EXPECT_EQ(failure(*r, 2, &why), fmt::ErrorKind::Checksum);
  EXPECT_NE(why.find("CRC"), std::string::npos) << why;
  EXPECT_EQ(failure(*r, 3), fmt::ErrorKind::Corrupt);
  EXPECT_EQ(failure(*r, 4, &why), fmt::ErrorKind::Unsupported);
  EXPECT_EQ(failure(*r, 5, &why), fmt::ErrorKind::Corrupt);
  EXPECT_NE(why.find("AES field"), std::string::npos) << why;
}

TEST(WinZipAesEntries, DamageNeverReachesTheOutputAsGood) {
  // The decoder stops early on garbage, but the code is still checked over all
  // of the data, so a deflate entry whose tail is damaged fails too.
  const auto data = testsupport::randomBytes(50000, 8);
  AesParams params;
  CraftEntry e = aesEntry("tail", data, params);
  (*e.packed)[e.packed->size() - 11] ^= 0x10;  // the last encrypted byte
  auto r = openBytes(ziptest::craftZip({e}));
  Answers answers{{"open sesame"}};
  r->setPasswordFn(answers.fn());
  EXPECT_NE(failure(*r, 0), fmt::ErrorKind::Io);
}

}  // namespace
