// c and r: a new archive from files on disk (plain, gzip or bzip2), and files
// appended to an uncompressed one. Both write through the engine's atomic file:
// the old archive is replaced only when the new one is complete.
#include <algorithm>
#include <cstdio>

#include "engine_messages.h"
#include "operands.h"
#include "platform/platform.h"
#include "results.h"
#include "short_names.h"
#include "sjis_path.h"
#include "tar/tar_writer.h"
#include "tar_commands.h"

namespace tar32 {

using namespace dllsupport;

namespace {

std::string baseFolder(const Context& ctx) {
  if (ctx.options.folder.empty()) return fmt::platform::currentFolder();
  std::string b = toEnginePath(ctx.options.folder);
  while (b.size() > 1 && (b.back() == '\\' || b.back() == '/') && !(b.size() == 3 && b[1] == ':')) b.pop_back();
  return b;
}

// The files the names give, folders with everything below them, never the
// archive itself; with N DATE only files stamped then or later (their folders stay).
std::vector<fmt::SourceItem> collect(Context& ctx, const std::string& archive) {
  const auto& o = ctx.options;
  SourceOptions so;
  so.recurse = true;
  so.keepFolders = true;
  so.allAttributes = true;
  std::vector<std::string> left;
  std::vector<fmt::SourceItem> items = collectOperands(o.names, baseFolder(ctx), so, &left);
  for (const auto& l : left) ctx.report.file("対象外", fromEngine(l));
  size_t older = 0;
  items.erase(std::remove_if(items.begin(), items.end(),
                             [&](const fmt::SourceItem& it) {
                               if (samePath(it.diskPath, archive)) return true;
                               if (o.haveDate && !it.isFolder && it.mtime < o.since) return ++older, true;
                               return false;
                             }),
              items.end());
  if (older) ctx.report.line("指定日付より古いため " + std::to_string(older) + " 個を除きました");
  return items;
}

fmt::tar::TarWriteOptions writeOptions(Context& ctx) {
  fmt::tar::TarWriteOptions wo;
  switch (ctx.options.compression) {
    case Compression::Gzip: wo.compression = fmt::tar::Filter::Gzip; break;
    case Compression::Bzip2: wo.compression = fmt::tar::Filter::Bzip2; break;
    case Compression::None: break;
  }
  wo.level = std::clamp(ctx.options.level, 1, 9);
  wo.progress = [&ctx](const fmt::SourceItem& it, uint64_t done, uint64_t total) {
    return !ctx.progress || ctx.progress->update(backslashSeparators(fromEngine(it.name)), done, total);
  };
  return wo;
}

int reportAdded(Context& ctx, const std::vector<fmt::SourceItem>& items, const char* how) {
  for (const auto& it : items)
    ctx.report.file("追加しました", backslashSeparators(fromEngine(it.name)) + (it.isFolder ? "\\" : ""));
  char summary[160];
  std::snprintf(summary, sizeof summary, "追加 %zu 個 (%s)", items.size(), how);
  ctx.report.line(summary);
  return kOk;
}

const char* methodText(const TarOptions& o) {
  switch (o.compression) {
    case Compression::Gzip: return "tar + gzip";
    case Compression::Bzip2: return "tar + bzip2";
    case Compression::None: break;
  }
  return "tar";
}

}  // namespace

int createCommand(Context& ctx) {
  const std::string archive = toEnginePath(ctx.options.archive);
  if (ctx.options.names.empty()) {
    ctx.report.line("書庫に入れるファイルが指定されていません");
    return kNothingToDo;
  }
  const std::vector<fmt::SourceItem> items = collect(ctx, archive);
  if (items.empty()) {
    ctx.report.line(describe(kNothingToDo));
    return kNothingToDo;
  }
  fmt::tar::writeTarArchive(archive, items, {}, writeOptions(ctx));
  return reportAdded(ctx, items, methodText(ctx.options));
}

int appendCommand(Context& ctx) {
  const auto& o = ctx.options;
  if (o.compression != Compression::None) {
    ctx.report.line("r は非圧縮の書庫にだけ追加できます (z と B は使えません)");
    return kUnsupported;
  }
  if (!fileExists(o.archive)) return createCommand(ctx);  // as GNU tar: a new archive
  const std::string archive = toEnginePath(o.archive);
  auto reader = openListing(archive);
  if (!reader) {
    ctx.report.file("tar 書庫ではありません", o.archive);
    return kNotArchive;
  }
  if (fmt::tar::tarArchiveKind(*reader) != static_cast<int>(fmt::tar::TarKind::Tar)) {
    ctx.report.file("圧縮された書庫には追加できません", o.archive);
    return kUnsupported;
  }
  // Appending after a damaged member would bury what follows it.
  if (!reader->warnings().empty()) {
    for (const auto& w : reader->warnings()) ctx.report.line("警告: " + engineMessage(w));
    ctx.report.file("書庫が壊れているため追加しませんでした", o.archive);
    return kDamaged;
  }
  if (o.names.empty()) {
    ctx.report.line("書庫に入れるファイルが指定されていません");
    return kNothingToDo;
  }
  const uint64_t end = fmt::tar::membersEnd(*reader);
  reader.reset();  // the file is replaced below
  const std::vector<fmt::SourceItem> items = collect(ctx, archive);
  if (items.empty()) {
    ctx.report.line(describe(kNothingToDo));
    return kNothingToDo;
  }
  fmt::tar::appendToTarArchive(archive, end, items, {}, writeOptions(ctx));
  return reportAdded(ctx, items, "tar に追加");
}

}  // namespace tar32
