// `arctool create lzh:lh0|lh5|lh6|lh7 ARCHIVE FILE...`: level-2 headers.
#include "create_registry.h"
#include "base/error.h"
#include "lzh/lzh_update.h"

namespace {

int createLzh(const std::string& format, const std::string& archive, const std::vector<fmt::SourceItem>& items) {
  auto colon = format.find(':');
  fmt::lzh::WriteOptions options;
  options.method = fmt::lzh::methodFromName(colon == std::string::npos ? "lh5" : format.substr(colon + 1));
  fmt::lzh::createArchive(archive, items, options);
  return 0;
}

arctool::CreateRegistrar lzhRegistrar("lzh", createLzh);

}  // namespace
