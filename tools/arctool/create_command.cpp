// arctool create: the operands collected once, the archive written by the
// format registered for FORMAT's prefix.
#include "commands.h"
#include "base/error.h"
#include "create_registry.h"
#include "platform/platform.h"

namespace arctool {

int createCommand(const std::string& formatSpec, const std::string& archive, const std::vector<std::string>& operands) {
  const std::string prefix = formatSpec.substr(0, formatSpec.find(':'));
  const CreateFn* create = findCreator(prefix);
  if (!create) {
    std::string known;
    for (const std::string& p : creatorPrefixes()) known += (known.empty() ? "" : " ") + p;
    fmt::fail(fmt::ErrorKind::Usage, "unknown format " + formatSpec + " (known: " + (known.empty() ? "none" : known) + ")");
  }
  std::vector<std::string> skipped;
  const auto items = fmt::collectSources(operands, fmt::platform::currentFolder(), &skipped);
  for (const std::string& s : skipped) complain(s + ": symbolic link left out");
  return (*create)(formatSpec, archive, items);
}

}  // namespace arctool
