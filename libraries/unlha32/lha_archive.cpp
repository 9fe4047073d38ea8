#include "lha_archive.h"

#include "item_info.h"
#include "operands.h"
#include "platform/platform.h"
#include "results.h"
#include "sjis_path.h"
#include "lzh/lzh_reader.h"

namespace unlha {

using namespace dllsupport;

std::unique_ptr<fmt::ArchiveReader> openForCommand(Context& ctx, int& result) {
  const std::string& path = ctx.options.archive;
  if (!fileExists(path)) {
    ctx.report.file("書庫が見つかりません", path);
    result = kArchiveNotFound;
    return nullptr;
  }
  auto reader = fmt::openLzh(toEnginePath(path));
  if (!reader) {
    ctx.report.file("LZH 書庫ではありません", path);
    result = kNotArchive;
    return nullptr;
  }
  for (const auto& w : reader->warnings()) ctx.report.line("警告: " + fromEngine(w));
  result = kOk;
  return reader;
}

std::vector<size_t> selectEntries(Context& ctx, const fmt::ArchiveReader& reader) {
  const auto& o = ctx.options;
  EntryMatcher matcher(o.names, o.wholePath, o.caseSensitive);
  std::vector<bool> used(o.names.size(), false);
  std::vector<size_t> picked;
  const auto& entries = reader.entries();
  for (size_t i = 0; i < entries.size(); ++i) {
    const std::string name = matchName(entries[i]);
    if (matcher.matchesAll()) {
      picked.push_back(i);
      continue;
    }
    const int which = matcher.whichMatches(name);
    if (which < 0) continue;
    picked.push_back(i);
    used[static_cast<size_t>(which)] = true;
  }
  if (!matcher.matchesAll())
    for (size_t k = 0; k < o.names.size(); ++k)
      if (!used[k] && !EntryMatcher({o.names[k]}, false, false).matchesAll())
        ctx.report.file("該当するファイルがありません", o.names[k]);
  return picked;
}

std::string baseFolder(const Context& ctx) {
  if (ctx.options.base.empty()) return fmt::platform::currentFolder();
  std::string b = toEnginePath(ctx.options.base);
  while (b.size() > 1 && (b.back() == '\\' || b.back() == '/') && !(b.size() == 3 && b[1] == ':')) b.pop_back();
  return b;
}

}  // namespace unlha
