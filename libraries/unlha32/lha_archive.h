// Opening the archive a command names, and picking its entries by name.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "core/archive.h"
#include "lha_commands.h"

namespace unlha {

// The reader, or null with the result in `result` (not found, not an archive)
// and a line in the report. Reader warnings go to the report.
std::unique_ptr<fmt::ArchiveReader> openForCommand(Context& ctx, int& result);

// Indices of entries matching the command's names (all when none); names that
// matched nothing are named in the report.
std::vector<size_t> selectEntries(Context& ctx, const fmt::ArchiveReader& reader);

// The base folder in UTF-8: the base operand, else the current folder.
std::string baseFolder(const Context& ctx);

}  // namespace unlha
