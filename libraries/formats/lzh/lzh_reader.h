// Reading an LZH archive: the member list, self-extracting programs searched
// for the archive inside, and decoding with the CRC checked.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "core/archive.h"
#include "lzh/lzh_header.h"
#include "lzh/lzh_source.h"

namespace fmt {
struct ExtractSummary;
class ExtractObserver;
}  // namespace fmt

namespace fmt::lzh {

inline constexpr char kFormatName[] = "LZH";

class LzhReader : public ArchiveReader {
 public:
  // Null when the source holds no LZH archive.
  static std::unique_ptr<LzhReader> open(std::unique_ptr<ByteSource> src);

  const char* formatName() const override { return kFormatName; }
  const std::vector<Entry>& entries() const override { return entries_; }
  void extract(size_t index, OutStream& out, const ProgressFn& progress = {}) override;
  const std::vector<std::string>& warnings() const override { return warnings_; }

  // For rewriting: where each member's header and data lie.
  const std::vector<LzhHeader>& headers() const { return headers_; }
  ByteSource& source() { return *src_; }
  // Copies member `index` (header and compressed data) as it is stored.
  void copyRaw(size_t index, OutStream& out);

 private:
  explicit LzhReader(std::unique_ptr<ByteSource> src) : src_(std::move(src)) {}
  bool scan(uint64_t start, uint64_t* end = nullptr);

  std::unique_ptr<ByteSource> src_;
  std::vector<LzhHeader> headers_;
  std::vector<Entry> entries_;
  std::vector<std::string> warnings_;
};

// Decodes and checks every member of the archive at `path` (Usage when it is none).
ExtractSummary testArchive(const std::string& path, ExtractObserver& observer);

}  // namespace fmt::lzh

namespace fmt {

// Null when the file is not an LZH archive (self-extracting programs are searched); a reader otherwise.
std::unique_ptr<ArchiveReader> openLzh(const std::string& path);

}  // namespace fmt
