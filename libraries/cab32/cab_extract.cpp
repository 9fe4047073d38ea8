// -x, -t and -l: extraction and testing through the common extraction policy,
// and the listing.
#include <cstdio>

#include "cab/cab_reader.h"
#include "cab_commands.h"
#include "core/extract.h"
#include "item_info.h"
#include "operands.h"
#include "platform/platform.h"
#include "results.h"
#include "sjis_path.h"

namespace cab32 {

using namespace dllsupport;

namespace {

std::unique_ptr<fmt::ArchiveReader> openForCommand(Context& ctx, int& result) {
  const std::string& path = ctx.options.archive;
  if (!fileExists(path)) {
    ctx.report.file("キャビネットが見つかりません", path);
    result = kArchiveNotFound;
    return nullptr;
  }
  auto reader = fmt::openCab(toEnginePath(path));
  if (!reader) {
    ctx.report.file("キャビネットではありません", path);
    result = kNotArchive;
    return nullptr;
  }
  for (const auto& w : reader->warnings()) ctx.report.line("警告: " + fromEngine(w));
  result = kOk;
  return reader;
}

// Entries matching the names (all when none); a name that matched nothing is
// named in the report. Names match the whole stored path.
std::vector<size_t> selectEntries(Context& ctx, const fmt::ArchiveReader& reader) {
  const auto& o = ctx.options;
  EntryMatcher matcher(o.names, true, false);
  std::vector<bool> used(o.names.size(), false);
  std::vector<size_t> picked;
  const auto& entries = reader.entries();
  for (size_t i = 0; i < entries.size(); ++i) {
    if (matcher.matchesAll()) {
      picked.push_back(i);
      continue;
    }
    const int which = matcher.whichMatches(matchName(entries[i]));
    if (which < 0) continue;
    picked.push_back(i);
    used[static_cast<size_t>(which)] = true;
  }
  if (!matcher.matchesAll())
    for (size_t k = 0; k < o.names.size(); ++k)
      if (!used[k] && !EntryMatcher({o.names[k]}, true, false).matchesAll())
        ctx.report.file("該当するファイルがありません", o.names[k]);
  return picked;
}

std::string destinationFolder(const Context& ctx) {
  if (ctx.options.folder.empty()) return fmt::platform::currentFolder();
  std::string d = toEnginePath(ctx.options.folder);
  while (d.size() > 1 && (d.back() == '\\' || d.back() == '/') && !(d.size() == 3 && d[1] == ':')) d.pop_back();
  return d;
}

// -n keeps every existing file and wins over -o: an option left off never
// loses data. -o replaces every file; by default only an older file is replaced.
fmt::Overwrite overwriteRule(const CabOptions& o) {
  if (o.neverReplace) return fmt::Overwrite::Never;
  if (o.alwaysReplace) return fmt::Overwrite::Always;
  return fmt::Overwrite::IfNewer;
}

class ReportingObserver : public fmt::ExtractObserver {
 public:
  ReportingObserver(Context& ctx, const std::string& destination) : ctx_(ctx), dest_(destination) {}

  bool onProgress(const fmt::Entry& e, uint64_t done, uint64_t total) override {
    return !ctx_.progress || ctx_.progress->update(reportedName(e), done, total);
  }

  void onEvent(const fmt::ExtractEvent& ev) override {
    const std::string name = reportedName(*ev.entry);
    if (ev.fixes.any() && !ev.path.empty())
      ctx_.report.line("名前を変更しました: " + name + " -> " + backslashSeparators(fromEngine(relative(ev.path))));
    switch (ev.outcome) {
      case fmt::Outcome::Created: ctx_.report.file("展開しました", name); break;
      case fmt::Outcome::Replaced: ctx_.report.file("置き換えました", name); break;
      case fmt::Outcome::SkippedExisting: ctx_.report.file("既存のファイルを残しました", name); break;
      case fmt::Outcome::SkippedNotNewer: ctx_.report.file("既存のファイルの方が新しいため残しました", name); break;
      case fmt::Outcome::SkippedUnsafe:
        ctx_.report.file("安全でないため展開しませんでした", name);
        ++unsafe;
        break;
      case fmt::Outcome::FolderMade: ctx_.report.file("フォルダを作成しました", name); break;
      case fmt::Outcome::Tested: ctx_.report.file("正常", name); break;
      case fmt::Outcome::Failed:
        ctx_.report.line(std::string(describe(resultFor(ev.errorKind))) + ": " + name + ": " + fromEngine(ev.detail));
        if (firstFailure == kOk) firstFailure = resultFor(ev.errorKind);
        break;
    }
  }

  int firstFailure = kOk;
  size_t unsafe = 0;

 private:
  std::string relative(const std::string& path) const {
    return path.compare(0, dest_.size() + 1, dest_ + "/") == 0 ? path.substr(dest_.size() + 1) : path;
  }
  Context& ctx_;
  std::string dest_;
};

}  // namespace

int extractCommand(Context& ctx) {
  int result = kOk;
  auto reader = openForCommand(ctx, result);
  if (!reader) return result;
  const std::vector<size_t> picked = selectEntries(ctx, *reader);
  if (picked.empty()) {
    ctx.report.line(describe(kNoMatch));
    return kNoMatch;
  }
  const bool test = ctx.options.command == 't';
  fmt::ExtractRequest req;
  req.destination = destinationFolder(ctx);
  req.indices = picked;
  req.keepFolders = !ctx.options.noFolders;
  req.overwrite = overwriteRule(ctx.options);
  req.testOnly = test;
  req.restoreAttributes = true;
  ReportingObserver observer(ctx, req.destination);
  const fmt::ExtractSummary s = fmt::extractEntries(*reader, req, observer);

  char summary[160];
  std::snprintf(summary, sizeof summary, "%s %zu 個、スキップ %zu 個、エラー %zu 個", test ? "検査" : "展開", s.done,
                s.skipped, s.failed);
  ctx.report.line(summary);
  if (s.cancelled) {
    ctx.report.line(describe(kCancelled));
    return kCancelled;
  }
  if (observer.firstFailure != kOk) return observer.firstFailure;
  if (observer.unsafe) return kSkipped;
  return kOk;
}

int listCommand(Context& ctx) {
  int result = kOk;
  auto reader = openForCommand(ctx, result);
  if (!reader) return result;
  const std::vector<size_t> picked = selectEntries(ctx, *reader);
  ctx.report.line("    サイズ  圧縮サイズ   比率  方式          日時                 名前");
  uint64_t total = 0, packed = 0;
  for (size_t i : picked) {
    const fmt::Entry& e = reader->entries()[i];
    const uint16_t r = ratio(e);
    char line[160];
    std::snprintf(line, sizeof line, "%10llu  %10llu  %3u.%u%%  %-12s  %04u-%02u-%02u %02u:%02u:%02u  ",
                  static_cast<unsigned long long>(e.size), static_cast<unsigned long long>(e.packedSize), r / 10u,
                  r % 10u, e.method.c_str(), 1980u + (e.dosDate >> 9), (e.dosDate >> 5) & 15u, e.dosDate & 31u,
                  e.dosTime >> 11, (e.dosTime >> 5) & 63u, (e.dosTime & 31u) * 2);
    ctx.report.line(line + reportedName(e));
    total += e.size;
    packed += e.packedSize;
  }
  char summary[128];
  std::snprintf(summary, sizeof summary, "%zu 個のファイル  合計 %llu バイト (圧縮後 %llu バイト)", picked.size(),
                static_cast<unsigned long long>(total), static_cast<unsigned long long>(packed));
  ctx.report.line(summary);
  if (picked.empty() && !ctx.options.names.empty()) return kNoMatch;
  return kOk;
}

}  // namespace cab32
