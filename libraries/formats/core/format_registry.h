// The formats openArchive knows: each format's folder registers its opener with
// a place in the detection order, so that the core names none of them.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "core/archive.h"

namespace fmt {

// Null when the file is not of the format; a reader otherwise. Throws Error
// when the format is recognised but damaged.
using OpenerFn = std::unique_ptr<ArchiveReader> (*)(const std::string& path);

struct FormatOpener {
  int order;         // lower is tried first: the strict signatures before the lenient ones
  const char* name;  // as ArchiveReader::formatName() gives it
  OpenerFn open;
  OpenerFn openForWalk;  // null when the format has no reader that lists as it goes
};

// Defined at namespace scope in a format's folder:
//   const FormatRegistrar kRegistrar(20, lzh::kFormatName, openLzh);
struct FormatRegistrar {
  FormatRegistrar(int order, const char* name, OpenerFn open, OpenerFn openForWalk = nullptr);
};

// Every registered format, in detection order.
const std::vector<FormatOpener>& registeredFormats();

}  // namespace fmt
