// The ZIP archive reader behind fmt::openZip.
#pragma once
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "codecs/crypto/winzip_aes.h"
#include "codecs/crypto/zipcrypto.h"
#include "core/archive.h"
#include "zip/zip_directory.h"
#include "zip/zip_methods.h"
#include "zip/zip_source.h"

namespace fmt::zip {

inline constexpr char kFormatName[] = "ZIP";

class ZipReader : public ArchiveReader {
 public:
  // Null when the source holds no ZIP archive; see readDirectory for what throws.
  static std::unique_ptr<ZipReader> open(std::unique_ptr<ByteSource> src);

  const char* formatName() const override { return kFormatName; }
  const std::vector<Entry>& entries() const override { return dir_.entries; }
  void extract(size_t index, OutStream& out, const ProgressFn& progress = {}) override;
  const std::vector<std::string>& warnings() const override { return dir_.warnings; }
  void setPasswordFn(PasswordFn fn) override { passwordFn_ = std::move(fn); }

  const std::string& comment() const { return dir_.comment; }  // bytes as stored
  uint64_t prefixSize() const { return dir_.prefixSize; }

 private:
  ZipReader(std::unique_ptr<ByteSource> src, Directory dir) : src_(std::move(src)), dir_(std::move(dir)) {}
  // Tries the last good password, then asks; `tryOne` says whether one opens the entry.
  void withPassword(size_t index, const std::function<bool(const std::string&)>& tryOne);
  ZipCrypto unlock(size_t index, const uint8_t* header);
  void extractAes(size_t index, RangeInStream& raw, OutStream& out, uint32_t& crc);
  void checkDescriptor(const Item& it);
  void readLinkTargets();

  std::unique_ptr<ByteSource> src_;
  Directory dir_;
  PasswordFn passwordFn_;
  std::optional<std::string> password_;  // the last one that opened an entry
  Decompressor decompressor_;
};

}  // namespace fmt::zip

namespace fmt {

// Null when the file is not a ZIP archive; a reader otherwise.
std::unique_ptr<ArchiveReader> openZip(const std::string& path);

}  // namespace fmt
