// Writing tar archives: ustar headers, with a pax extended header in front of
// any member whose name, link name, size or stamp ustar cannot hold exactly.
// Optionally compressed with gzip, bzip2 or compress.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/archive.h"
#include "core/sources.h"
#include "base/stream.h"
#include "tar/tar_filters.h"

namespace fmt::tar {

// Writes members into `out`, which gets the uncompressed tar stream.
class TarWriter {
 public:
  // `alreadyWritten`: bytes of the archive before this writer's (appending), so
  // that the end is padded to a whole record of the whole archive.
  explicit TarWriter(OutStream& out, uint64_t alreadyWritten = 0) : out_(out), written_(alreadyWritten) {}

  void addFolder(const std::string& name, int64_t mtime, uint32_t mode = 0755);
  // Copies exactly `size` bytes of `data`; throws Io when it has fewer.
  void addFile(const std::string& name, uint64_t size, int64_t mtime, InStream& data, uint32_t mode = 0644,
               const ProgressFn& progress = {});
  void addSymlink(const std::string& name, const std::string& target, int64_t mtime);
  // The end-of-archive blocks and the padding to a whole record.
  void finish();

 private:
  void header(const std::string& name, char type, uint64_t size, int64_t mtime, uint32_t mode,
              const std::string& link = {});
  void put(const void* p, size_t n);

  OutStream& out_;
  uint64_t written_ = 0;
};

// A symbolic link to store: collectSources leaves links out, the caller finds them.
struct LinkItem {
  std::string name;    // stored name, UTF-8
  std::string target;  // as the link holds it
  int64_t mtime = 0;
};

struct TarWriteOptions {
  Filter compression = Filter::None;
  int level = 6;  // gzip and bzip2
  // Bytes of the item being written; false cancels (ErrorKind::Cancelled, no archive).
  std::function<bool(const SourceItem&, uint64_t done, uint64_t total)> progress;
};

// Writes a whole archive to `archive` through a temporary file that replaces it
// only when complete.
void writeTarArchive(const std::string& archive, const std::vector<SourceItem>& items,
                     const std::vector<LinkItem>& links, const TarWriteOptions& options);

// Appends members to the uncompressed tar `archive`, whose members end at
// `end` (its end blocks and anything after them are dropped), through a
// temporary file that replaces it only when complete.
void appendToTarArchive(const std::string& archive, uint64_t end, const std::vector<SourceItem>& items,
                        const std::vector<LinkItem>& links, const TarWriteOptions& options);

// Where the members of a tar archive end: after the last one's data. The
// reader must have listed the whole archive.
uint64_t membersEnd(const ArchiveReader& reader);

// A single file compressed on its own (.gz with its name stored, .bz2, .Z).
void writeCompressedFile(const std::string& archive, const SourceItem& item, const TarWriteOptions& options);

}  // namespace fmt::tar
