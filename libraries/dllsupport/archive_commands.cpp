#include "archive_commands.h"

#include <cstdio>

#include "engine_messages.h"
#include "item_info.h"
#include "operands.h"
#include "platform/platform.h"
#include "results.h"
#include "sjis_path.h"

namespace dllsupport {

namespace {

class ReportingObserver : public fmt::ExtractObserver {
 public:
  ReportingObserver(const CommandIo& io, const std::string& destination) : io_(io), dest_(destination) {}

  fmt::OverwriteAnswer askOverwrite(const fmt::Entry&, const std::string& path, const fmt::platform::FileInfo&) override {
    if (!io_.window) return fmt::OverwriteAnswer::No;
    return dllsupport::askOverwrite(io_.window, backslashSeparators(fromEngine(path)));  // a Windows path
  }

  bool onProgress(const fmt::Entry& e, uint64_t done, uint64_t total) override {
    return !io_.progress || io_.progress->update(reportedName(e), done, total);
  }

  void onEvent(const fmt::ExtractEvent& ev) override {
    Report& report = io_.report;
    const std::string name = reportedName(*ev.entry);
    if (ev.fixes.any() && !ev.path.empty())
      report.line("名前を変更しました: " + name + " -> " + backslashSeparators(fromEngine(relative(ev.path))));
    switch (ev.outcome) {
      case fmt::Outcome::Created: report.file("展開しました", name); break;
      case fmt::Outcome::Replaced: report.file("置き換えました", name); break;
      case fmt::Outcome::SkippedExisting: report.file("既存のファイルを残しました", name); break;
      case fmt::Outcome::SkippedNotNewer: report.file("既存のファイルの方が新しいため残しました", name); break;
      case fmt::Outcome::SkippedUnsafe:
        report.file("安全でないため展開しませんでした", name);
        ++unsafe;
        break;
      case fmt::Outcome::FolderMade: report.file("フォルダを作成しました", name); break;
      case fmt::Outcome::Tested: report.file("正常", name); break;
      case fmt::Outcome::Failed:
        report.line(std::string(describe(resultFor(ev.errorKind))) + ": " + name + ": " + engineMessage(ev.detail));
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
  const CommandIo& io_;
  std::string dest_;
};

std::string leaf(const std::string& sjisName) {
  const std::string slashed = slashSeparators(sjisName);
  const size_t slash = slashed.rfind('/');
  return slash == std::string::npos ? sjisName : sjisName.substr(slash + 1);
}

}  // namespace

std::unique_ptr<fmt::ArchiveReader> openForCommand(Report& report, const std::string& sjisArchive, OpenerFn open,
                                                  const OpenTexts& texts, int& result) {
  if (!fileExists(sjisArchive)) {
    report.file(texts.notFound, sjisArchive);
    result = kArchiveNotFound;
    return nullptr;
  }
  auto reader = open(toEnginePath(sjisArchive));
  if (!reader) {
    report.file(texts.notArchive, sjisArchive);
    result = kNotArchive;
    return nullptr;
  }
  for (const auto& w : reader->warnings()) report.line("警告: " + engineMessage(w));
  result = kOk;
  return reader;
}

std::vector<size_t> selectEntries(Report& report, const fmt::ArchiveReader& reader,
                                  const std::vector<std::string>& names, bool wholePath, bool caseSensitive) {
  EntryMatcher matcher(names, wholePath, caseSensitive);
  std::vector<size_t> picked;
  const auto& entries = reader.entries();
  if (matcher.matchesAll()) {
    for (size_t i = 0; i < entries.size(); ++i) picked.push_back(i);
    return picked;
  }
  std::vector<bool> used(names.size(), false);
  for (size_t i = 0; i < entries.size(); ++i) {
    const int which = matcher.whichMatches(matchName(entries[i]));
    if (which < 0) continue;
    picked.push_back(i);
    used[static_cast<size_t>(which)] = true;
  }
  // A "*" among other names matches everything, so it never goes unmatched.
  for (size_t k = 0; k < names.size(); ++k)
    if (!used[k] && !EntryMatcher({names[k]}, false, false).matchesAll())
      report.file("該当するファイルがありません", names[k]);
  return picked;
}

std::string destinationFolder(const std::string& sjisFolder) {
  if (sjisFolder.empty()) return fmt::platform::currentFolder();
  std::string d = toEnginePath(sjisFolder);
  while (d.size() > 1 && (d.back() == '\\' || d.back() == '/') && !(d.size() == 3 && d[1] == ':')) d.pop_back();
  return d;
}

int runExtraction(const CommandIo& io, fmt::ArchiveReader& reader, const fmt::ExtractRequest& request) {
  ReportingObserver observer(io, request.destination);
  const fmt::ExtractSummary s = fmt::extractEntries(reader, request, observer);

  char summary[160];
  std::snprintf(summary, sizeof summary, "%s %zu 個、スキップ %zu 個、エラー %zu 個",
                request.testOnly ? "検査" : "展開", s.done, s.skipped, s.failed);
  io.report.line(summary);
  if (s.cancelled) {
    io.report.line(describe(kCancelled));
    return kCancelled;
  }
  if (observer.firstFailure != kOk) return observer.firstFailure;
  if (observer.unsafe) return kSkipped;
  return kOk;
}

int writeListing(Report& report, const fmt::ArchiveReader& reader, const std::vector<size_t>& picked,
                 int methodWidth, bool fullNames, bool namesGiven) {
  std::string heading = "    サイズ  圧縮サイズ   比率  方式";
  heading.append(static_cast<size_t>(methodWidth > 4 ? methodWidth - 4 : 0) + 2, ' ');
  report.line(heading + "日時                 名前");
  uint64_t total = 0, packed = 0;
  for (size_t i : picked) {
    const fmt::Entry& e = reader.entries()[i];
    const uint16_t r = ratio(e);
    char line[192];
    std::snprintf(line, sizeof line, "%10llu  %10llu  %3u.%u%%  %-*s  %04u-%02u-%02u %02u:%02u:%02u  ",
                  static_cast<unsigned long long>(e.size), static_cast<unsigned long long>(e.packedSize), r / 10u,
                  r % 10u, methodWidth, e.method.c_str(), 1980u + (e.dosDate >> 9), (e.dosDate >> 5) & 15u,
                  e.dosDate & 31u, e.dosTime >> 11, (e.dosTime >> 5) & 63u, (e.dosTime & 31u) * 2);
    const std::string name = reportedName(e);
    report.line(line + (fullNames ? name : leaf(name)));
    total += e.size;
    packed += e.packedSize;
  }
  char summary[128];
  std::snprintf(summary, sizeof summary, "%zu 個のファイル  合計 %llu バイト (圧縮後 %llu バイト)", picked.size(),
                static_cast<unsigned long long>(total), static_cast<unsigned long long>(packed));
  report.line(summary);
  return picked.empty() && namesGiven ? kNoMatch : kOk;
}

}  // namespace dllsupport
