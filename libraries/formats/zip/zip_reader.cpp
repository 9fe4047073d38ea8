#include "zip/zip_reader.h"

#include <algorithm>
#include <cstdio>

#include "core/checked_out_stream.h"
#include "zip/zip_format.h"
#include "zip/zip_methods.h"

namespace fmt::zip {
namespace {

std::string hex32(uint32_t v) {
  char buf[9];
  std::snprintf(buf, sizeof buf, "%08x", v);
  return buf;
}

constexpr uint64_t kMaxLinkTarget = 4096;

}  // namespace

std::unique_ptr<ZipReader> ZipReader::open(std::unique_ptr<ByteSource> src) {
  Directory dir;
  if (!readDirectory(*src, dir)) return nullptr;
  checkLocalHeaders(*src, dir);
  std::unique_ptr<ZipReader> r(new ZipReader(std::move(src), std::move(dir)));
  r->readLinkTargets();
  return r;
}

// A symbolic link's target is its data; read it now so that listings show it.
void ZipReader::readLinkTargets() {
  for (size_t i = 0; i < dir_.entries.size(); i++) {
    Entry& e = dir_.entries[i];
    if (e.kind != EntryKind::Symlink || e.encrypted || e.size > kMaxLinkTarget || !dir_.items[i].problem.empty()) continue;
    try {
      MemoryOutStream target;
      extract(i, target);
      e.linkTarget.assign(target.data.begin(), target.data.end());
    } catch (const Error& err) {
      dir_.warnings.push_back("the link target of an entry cannot be read: " + std::string(err.what()));
    }
  }
}

void ZipReader::extract(size_t index, OutStream& out, const ProgressFn& progress) {
  if (index >= dir_.items.size()) fail(ErrorKind::Usage, "no such entry");
  const Item& it = dir_.items[index];
  if (!it.problem.empty()) fail(it.problemKind, "the entry cannot be extracted: " + it.problem);
  if (it.flags & kFlagStrongEncryption) fail(ErrorKind::Unsupported, "strongly encrypted entries are not supported");
  const uint16_t method = it.aesStrength ? it.aesMethod : it.method;
  if (!methodSupported(method))
    fail(ErrorKind::Unsupported, "compression method " + methodName(method) + " is not supported");

  RangeInStream raw(*src_, it.dataOffset, it.packedSize);
  // The stated size also bounds what is passed on: a stream that claims less
  // than it produces (a bomb) stops as soon as it passes it.
  CheckedOutStream<Crc32Check> checked(out, it.size, progress, "the entry decodes to more than its stated size");
  const bool encrypted = it.flags & kFlagEncrypted;
  // The header check of an encrypted entry is one byte: one wrong password in
  // 256 passes it, and the data then decodes to garbage. Damage found then says
  // so, and the next entry asks afresh.
  auto damaged = [&](ErrorKind kind, const std::string& why) {
    if (!encrypted) fail(kind, why);
    password_.reset();
    fail(kind, why + ": wrong password or damaged data");
  };
  auto decode = [&](InStream& in) {
    try {
      decompressor_.run(method, in, checked);
    } catch (const Error& e) {
      if (!encrypted || (e.kind() != ErrorKind::Corrupt && e.kind() != ErrorKind::Checksum &&
                         e.kind() != ErrorKind::Truncated))
        throw;
      damaged(e.kind(), e.what());
    }
  };
  bool checkCrc = true;
  if (it.aesStrength) {
    const size_t saltLen = WinZipAes::saltSize(it.aesStrength);
    const uint64_t overhead = saltLen + WinZipAes::kVerifierSize + WinZipAes::kAuthSize;
    if (it.packedSize < overhead) fail(ErrorKind::Corrupt, "the encrypted entry is shorter than its salt and codes");
    uint8_t head[16 + WinZipAes::kVerifierSize];
    readExact(raw, head, saltLen + WinZipAes::kVerifierSize, "the encryption header");
    std::unique_ptr<WinZipAes> aes;
    withPassword(index, [&](const std::string& pw) {
      aes = WinZipAes::unlock(pw, it.aesStrength, head, head + saltLen);
      return aes != nullptr;
    });
    const uint64_t cipherLen = it.packedSize - overhead;
    RangeInStream cipher(*src_, it.dataOffset + saltLen + WinZipAes::kVerifierSize, cipherLen);
    WinZipAesInStream plain(cipher, *aes);
    decode(plain);
    // The code covers every encrypted byte, also those the decoder left unread.
    uint8_t rest[4096];
    while (plain.read(rest, sizeof rest)) {
    }
    uint8_t code[WinZipAes::kAuthSize];
    readExactAt(*src_, it.dataOffset + it.packedSize - WinZipAes::kAuthSize, code, sizeof code,
                "the authentication code");
    if (!aes->authenticates(code)) damaged(ErrorKind::Checksum, "the authentication code does not match");
    checkCrc = it.aesVersion == 1;  // AE-2 leaves the CRC out: the code stands for it
  } else if (encrypted) {
    uint8_t header[ZipCrypto::kHeaderSize];
    if (it.packedSize < sizeof header) fail(ErrorKind::Corrupt, "the encrypted entry is shorter than its header");
    readExact(raw, header, sizeof header, "the encryption header");
    ZipCrypto crypto = unlock(index, header);
    ZipDecryptInStream plain(raw, crypto);
    decode(plain);
  } else {
    decode(raw);
  }
  if (checked.done() != it.size)
    damaged(ErrorKind::Corrupt,
            "the entry decodes to " + std::to_string(checked.done()) + " bytes instead of " + std::to_string(it.size));
  if (checkCrc && checked.check() != it.crc)
    damaged(ErrorKind::Checksum, "CRC error (stored " + hex32(it.crc) + ", computed " + hex32(checked.check()) + ")");
  if (it.localFlags & kFlagDescriptor) checkDescriptor(it);
}

void ZipReader::withPassword(size_t index, const std::function<bool(const std::string&)>& tryOne) {
  if (password_ && tryOne(*password_)) return;
  password_.reset();  // it did not open this entry: never offered again unasked
  if (!passwordFn_) fail(ErrorKind::Password, "the entry is encrypted and no password was given");
  std::string previous;
  for (int attempt = 0; attempt < 3; attempt++) {
    std::string pw;
    if (!passwordFn_(dir_.entries[index], pw)) fail(ErrorKind::Password, "the entry is encrypted; skipped without a password");
    if (attempt > 0 && pw == previous) break;  // asking again would give the same answer
    if (tryOne(pw)) {
      password_ = pw;
      return;
    }
    previous = pw;
  }
  fail(ErrorKind::Password, "wrong password");
}

// The header's last byte is the CRC's high byte, or with a data descriptor (the
// CRC was not known yet when it was written) the DOS time's.
ZipCrypto ZipReader::unlock(size_t index, const uint8_t* header) {
  const Item& it = dir_.items[index];
  uint8_t check = (it.localFlags & kFlagDescriptor) ? static_cast<uint8_t>(it.localDosTime >> 8)
                                                     : static_cast<uint8_t>(it.crc >> 24);
  std::optional<ZipCrypto> opened;
  withPassword(index, [&](const std::string& pw) {
    ZipCrypto c(pw);
    if (!c.decryptHeader(header, check)) return false;
    opened = c;
    return true;
  });
  return *opened;
}

// After the data: optionally a signature, then CRC and sizes of 4 bytes each,
// or 8 when the entry has ZIP64 sizes. Writers differ, so each form is tried.
void ZipReader::checkDescriptor(const Item& it) {
  uint8_t d[24] = {};
  uint64_t pos = it.dataOffset + it.packedSize;
  size_t got = src_->readAt(pos, d, static_cast<size_t>(std::min<uint64_t>(sizeof d, dir_.centralStart - pos)));
  for (size_t sig : {4, 0}) {
    if (sig && (got < 4 || le32(d) != kDescriptorSig)) continue;
    for (bool wide : {it.local64, !it.local64}) {
      size_t need = sig + (wide ? 20 : 12);
      if (got < need) continue;
      uint64_t packed = wide ? le64(d + sig + 4) : le32(d + sig + 4);
      uint64_t size = wide ? le64(d + sig + 12) : le32(d + sig + 8);
      if (le32(d + sig) == it.crc && packed == it.packedSize && size == it.size) return;
    }
  }
  fail(ErrorKind::Corrupt, "the data descriptor disagrees with the central directory");
}

}  // namespace fmt::zip

