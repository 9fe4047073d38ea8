// -a: a new cabinet from files on disk, written through the engine's atomic
// file (an existing cabinet of that name is replaced only when the new one is complete).
#include <algorithm>
#include <cstdio>

#include "cab/cab_writer.h"
#include "archive_commands.h"
#include "cab_commands.h"
#include "operands.h"
#include "platform/platform.h"
#include "results.h"
#include "short_names.h"
#include "sjis_path.h"

namespace cab32 {

using namespace dllsupport;

namespace {

uint16_t typeCompress(const CabOptions& o) {
  switch (o.method) {
    case Method::Store: return static_cast<uint16_t>(fmt::cab::Method::None);
    case Method::Lzx: return fmt::cab::lzxTypeCompress(o.lzxWindow);
    case Method::Mszip: break;
  }
  return static_cast<uint16_t>(fmt::cab::Method::Mszip);
}

// Whether `path` lies beside `archive` named as its set's volume 2, 3...
// would be (the number before the extension), in any case.
bool isLaterVolume(const std::string& path, const std::string& archive) {
  auto split = [](const std::string& p, std::string& dir, std::string& name) {
    size_t slash = p.find_last_of("/\\");
    dir = slash == std::string::npos ? "" : p.substr(0, slash + 1);
    name = slash == std::string::npos ? p : p.substr(slash + 1);
  };
  std::string dirA, nameA, dirP, nameP;  // the folders keep their last separator
  split(archive, dirA, nameA);
  split(path, dirP, nameP);
  size_t dot = nameA.find_last_of('.');
  if (dot == std::string::npos) dot = nameA.size();
  const std::string stem = nameA.substr(0, dot), ext = nameA.substr(dot);
  if (nameP.size() <= stem.size() + ext.size()) return false;
  const std::string digits = nameP.substr(stem.size(), nameP.size() - stem.size() - ext.size());
  return digits[0] != '0' && std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
         samePath(dirP + nameP.substr(0, stem.size()) + nameP.substr(nameP.size() - ext.size()), archive);
}

}  // namespace

int createCommand(Context& ctx) {
  const auto& o = ctx.options;
  const std::string archive = toEnginePath(o.archive);
  SourceOptions so;
  so.recurse = o.recurse;
  so.keepFolders = true;
  so.allAttributes = true;  // a cabinet keeps the hidden and system bits
  std::vector<std::string> names = o.names;
  if (names.empty()) names.push_back("*.*");
  std::vector<std::string> left;
  std::vector<fmt::SourceItem> items = collectOperands(names, destinationFolder(ctx.options.folder), so, &left);
  // The cabinet never goes into itself, nor a set into one of its volumes.
  items.erase(std::remove_if(items.begin(), items.end(),
                             [&](const fmt::SourceItem& it) {
                               return it.isFolder || samePath(it.diskPath, archive) ||
                                      (o.volumeKb && isLaterVolume(it.diskPath, archive));
                             }),
              items.end());
  for (const auto& l : left) ctx.report.file("対象外", fromEngine(l));
  if (o.shortNames)
    for (auto& it : items) it.name = shortStoredName(it.diskPath, it.name);
  if (items.empty()) {
    ctx.report.line(describe(kNothingToDo));
    return kNothingToDo;
  }
  fmt::cab::WriteOptions wo;
  wo.typeCompress = typeCompress(o);
  wo.volumeLimit = static_cast<uint64_t>(o.volumeKb) * 1024;
  uint64_t total = 0;
  for (const auto& it : items) total += it.size;
  // The writer counts bytes over all files in order; the window names the file
  // those bytes belong to.
  size_t current = 0;
  uint64_t currentEnd = items.front().size;
  wo.progress = [&](uint64_t done, uint64_t all) {
    if (!ctx.progress) return true;
    while (current + 1 < items.size() && done >= currentEnd) currentEnd += items[++current].size;
    return ctx.progress->update(backslashSeparators(fromEngine(items[current].name)), done, all ? all : total);
  };
  const std::vector<std::string> volumes = fmt::cab::writeCabinet(archive, items, wo);
  for (const auto& it : items) ctx.report.file("追加しました", backslashSeparators(fromEngine(it.name)));
  if (o.volumeKb)
    for (const auto& v : volumes) ctx.report.file("ボリュームを作成しました", backslashSeparators(fromEngine(v)));
  char summary[160];
  if (o.volumeKb)
    std::snprintf(summary, sizeof summary, "追加 %zu 個、対象外 %zu 個 (%s)、ボリューム %zu 個", items.size(),
                  left.size(), fmt::cab::methodName(wo.typeCompress).c_str(), volumes.size());
  else
    std::snprintf(summary, sizeof summary, "追加 %zu 個、対象外 %zu 個 (%s)", items.size(), left.size(),
                  fmt::cab::methodName(wo.typeCompress).c_str());
  ctx.report.line(summary);
  return kOk;
}

int runCommand(Context& ctx) {
  switch (ctx.options.command) {
    case 'x':
    case 't': return extractCommand(ctx);
    case 'l': return listCommand(ctx);
    case 'a': return createCommand(ctx);
    case 'f':
      ctx.report.line("自己解凍形式キャビネットの作成にはまだ対応していません。何も作成しませんでした");
      return kUnsupported;
  }
  return kBadCommand;
}

}  // namespace cab32
