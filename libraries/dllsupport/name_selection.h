// The names of a command line matched against entries one at a time, as a
// reader that decodes while it lists meets them; the names that matched
// nothing are reported at the end.
#pragma once
#include <string>
#include <vector>

#include "core/entry.h"
#include "operands.h"
#include "report.h"

namespace dllsupport {

class NameSelection {
 public:
  NameSelection(const std::vector<std::string>& names, bool wholePath, bool caseSensitive);
  // True when the entry is to be taken (every entry when no names were given).
  bool take(const fmt::Entry& e);
  size_t taken() const { return taken_; }
  // "該当するファイルがありません: name" for each name that matched no entry.
  void reportUnmatched(Report& report) const;

 private:
  std::vector<std::string> names_;
  EntryMatcher matcher_;
  std::vector<bool> used_;
  size_t taken_ = 0;
  bool wholePath_, caseSensitive_;
};

}  // namespace dllsupport
