// Entries as the suite sees them: the enumeration record and the names the
// libraries report and take back.
#pragma once
#include <string>

#include "archiver.h"
#include "core/entry.h"

namespace dllsupport {

// Shift-JIS, '/' between folders, no trailing '/': the form names are matched in.
std::string matchName(const fmt::Entry& e);
// Shift-JIS, '\' between folders, a folder ending in "/": the form reported in
// ArcItemInfo and listings. Given back on a command line it matches this entry.
std::string reportedName(const fmt::Entry& e);

// "DSRAH-": folder, system, read-only, archive, hidden; '-' where not set.
std::string attributeText(uint32_t attributes);
// Compressed per uncompressed size in tenths of a percent; 0 for an empty entry.
uint16_t ratio(const fmt::Entry& e);

void fillItemInfo(const fmt::Entry& e, archiver::ArcItemInfo& info);

}  // namespace dllsupport
