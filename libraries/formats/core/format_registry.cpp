#include "core/format_registry.h"

#include <algorithm>

namespace fmt {
namespace {

// A function's static, so registrars in other files may run before this one.
std::vector<FormatOpener>& table() {
  static std::vector<FormatOpener> formats;
  return formats;
}

}  // namespace

FormatRegistrar::FormatRegistrar(int order, const char* name, OpenerFn open, OpenerFn openForWalk) {
  auto& formats = table();
  const FormatOpener added{order, name, open, openForWalk};
  formats.insert(std::upper_bound(formats.begin(), formats.end(), added,
                                  [](const FormatOpener& a, const FormatOpener& b) { return a.order < b.order; }),
                 added);
}

const std::vector<FormatOpener>& registeredFormats() { return table(); }

}  // namespace fmt
