#include "name_selection.h"

#include "item_info.h"

namespace dllsupport {

NameSelection::NameSelection(const std::vector<std::string>& names, bool wholePath, bool caseSensitive)
    : names_(names),
      matcher_(names, wholePath, caseSensitive),
      used_(names.size(), false),
      wholePath_(wholePath),
      caseSensitive_(caseSensitive) {}

bool NameSelection::take(const fmt::Entry& e) {
  if (!matcher_.matchesAll()) {
    const int which = matcher_.whichMatches(matchName(e));
    if (which < 0) return false;
    used_[static_cast<size_t>(which)] = true;
  }
  ++taken_;
  return true;
}

void NameSelection::reportUnmatched(Report& report) const {
  if (matcher_.matchesAll()) return;
  for (size_t k = 0; k < names_.size(); ++k)
    if (!used_[k] && !EntryMatcher({names_[k]}, wholePath_, caseSensitive_).matchesAll())
      report.file("該当するファイルがありません", names_[k]);
}

}  // namespace dllsupport
