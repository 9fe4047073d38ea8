// e, x and t: extraction and testing through the common extraction policy.
#include <cstdio>

#include "core/extract.h"
#include "item_info.h"
#include "lha_archive.h"
#include "lha_commands.h"
#include "results.h"
#include "sjis_path.h"

namespace unlha {

using namespace dllsupport;

namespace {

// The overwrite rule of the switches: -y1 or -m1 replace newer entries without
// asking, -c1 with them regardless of dates; otherwise ask when there is a window.
fmt::Overwrite overwriteRule(const Context& ctx) {
  const auto& o = ctx.options;
  if (o.overwriteAll || o.noQuestions) return o.ignoreDates ? fmt::Overwrite::Always : fmt::Overwrite::IfNewer;
  return ctx.window ? fmt::Overwrite::Ask : fmt::Overwrite::Never;
}

class ReportingObserver : public fmt::ExtractObserver {
 public:
  ReportingObserver(Context& ctx, const std::string& destination) : ctx_(ctx), dest_(destination) {}

  fmt::OverwriteAnswer askOverwrite(const fmt::Entry&, const std::string& path, const fmt::platform::FileInfo&) override {
    if (!ctx_.window) return fmt::OverwriteAnswer::No;
    return dllsupport::askOverwrite(ctx_.window, backslashSeparators(fromEngine(path)));  // a Windows path
  }

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
  req.destination = baseFolder(ctx);
  req.indices = picked;
  req.keepFolders = ctx.options.command == 'x' || ctx.options.keepFolders;
  req.overwrite = overwriteRule(ctx);
  req.testOnly = test;
  req.restoreAttributes = ctx.options.allAttributes;
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

}  // namespace unlha
