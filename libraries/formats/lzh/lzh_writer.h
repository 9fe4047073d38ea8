// Writing LZH members: new ones from files on disk, and existing ones copied
// as they are stored (never recompressed).
#pragma once
#include <string>

#include "core/archive.h"
#include "core/sources.h"
#include "lzh/lzh_reader.h"
#include "platform/platform.h"

namespace fmt::lzh {

struct WriteOptions {
  std::string method = "-lh5-";  // -lh0-, -lh5-, -lh6- or -lh7-
  int headerLevel = 2;           // 0, 1 or 2
};

// The method string for an arctool-style name ("lh5" -> "-lh5-"); throws Usage.
std::string methodFromName(const std::string& name);

class LzhWriter {
 public:
  // Members are written from the file's current position.
  LzhWriter(platform::File& out, WriteOptions options);

  // Compresses one file or records one folder. A file that does not get
  // smaller is stored as -lh0-. `progress` gets bytes of this item.
  void add(const SourceItem& item, const ProgressFn& progress = {});
  // Copies a member of an existing archive byte for byte.
  void copy(LzhReader& reader, size_t index);
  // Copies a member's data under a new header with another name (UTF-8).
  void copyRenamed(LzhReader& reader, size_t index, const std::string& utf8Name);
  // Writes the end mark.
  void finish();

 private:
  void writeStored(InStream& in, uint64_t size);
  std::vector<uint8_t> header(const Entry& e) const;

  platform::File& out_;
  WriteOptions opts_;
};

// The Entry a new member gets: the name in Shift-JIS when it converts
// exactly, else kept in UTF-8 (stored as a Unicode name besides).
Entry entryForName(const std::string& utf8Name, bool folder);

}  // namespace fmt::lzh
