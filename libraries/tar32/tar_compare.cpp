// k: every chosen entry compared with the file of its name on disk (under the
// destination folder, as x would write it), byte for byte; nothing is written.
#include <cstdio>
#include <cstring>

#include "archive_commands.h"
#include "core/names.h"
#include "engine_messages.h"
#include "item_info.h"
#include "name_selection.h"
#include "platform/platform.h"
#include "results.h"
#include "sjis_path.h"
#include "tar_commands.h"

namespace tar32 {

using namespace dllsupport;

namespace {

// Reads the disk file alongside the entry's bytes; any difference, or a file
// of another length, makes it differ. The entry is always read to its end so
// that the walk goes on.
class CompareStream : public fmt::OutStream {
 public:
  explicit CompareStream(fmt::platform::File& file) : file_(file) {}
  void write(const void* buf, size_t n) override {
    if (differs_) return;
    const auto* p = static_cast<const uint8_t*>(buf);
    while (n > 0 && !differs_) {
      const size_t step = std::min(n, disk_.size());
      const size_t got = readFull(disk_.data(), step);
      if (got != step || std::memcmp(disk_.data(), p, step) != 0) differs_ = true;
      p += step;
      n -= step;
    }
  }
  bool same() {
    uint8_t extra;
    return !differs_ && readFull(&extra, 1) == 0;
  }

 private:
  size_t readFull(uint8_t* p, size_t n) {
    size_t got = 0;
    while (got < n) {
      const size_t r = file_.read(p + got, n - got);
      if (r == 0) break;
      got += r;
    }
    return got;
  }
  fmt::platform::File& file_;
  std::vector<uint8_t> disk_ = std::vector<uint8_t>(1 << 16);
  bool differs_ = false;
};

}  // namespace

int compareCommand(Context& ctx) {
  const TarOptions& o = ctx.options;
  int result = kOk;
  auto reader = openForCommand(ctx.report, o.archive, walkOpener(o), {"書庫が見つかりません", "tar 書庫ではありません"}, result);
  if (!reader) return result;
  const size_t warned = reader->warnings().size();
  const std::string dest = destinationFolder(o.folder);
  NameSelection names(o.names, true, false);
  size_t same = 0, differ = 0, missing = 0, failed = 0;
  for (size_t i = 0; i < reader->entries().size() || reader->readMore(); ++i) {
    const fmt::Entry& e = reader->entries()[i];
    if ((e.kind != fmt::EntryKind::File && e.kind != fmt::EntryKind::Folder) || !names.take(e)) continue;
    const std::string name = reportedName(e);
    const std::string rel = fmt::confinedPath(e, o.keepFolders);
    if (rel.empty() || (e.isFolder() && !o.keepFolders)) continue;
    const std::string path = dest + "/" + rel;
    const fmt::platform::FileInfo info = fmt::platform::stat(path);
    if (!info.exists || info.isFolder != e.isFolder() || info.isLink) {
      ctx.report.file("ディスクにありません", name);
      ++missing;
      continue;
    }
    if (e.isFolder()) {
      ++same;
      continue;
    }
    try {
      auto file = fmt::platform::File::open(path, fmt::platform::File::Read);
      CompareStream cmp(*file);
      reader->extract(i, cmp, [&](uint64_t done, uint64_t total) {
        return !ctx.progress || ctx.progress->update(name, done, total);
      });
      if (cmp.same()) {
        ++same;
        if (o.verbose) ctx.report.file("一致", name);
      } else {
        ++differ;
        ctx.report.file("相違があります", name);
      }
    } catch (const fmt::Error& err) {
      if (err.kind() == fmt::ErrorKind::Cancelled) {
        ctx.report.line(describe(kCancelled));
        return kCancelled;
      }
      ++failed;
      ctx.report.line(std::string(describe(resultFor(err.kind()))) + ": " + name + ": " + engineMessage(err.what()));
      if (result == kOk) result = resultFor(err.kind());
    }
  }
  reportLaterWarnings(ctx, *reader, warned);
  names.reportUnmatched(ctx.report);
  char summary[160];
  std::snprintf(summary, sizeof summary, "比較 %zu 個: 一致 %zu 個、相違 %zu 個、ディスクになし %zu 個、エラー %zu 個",
                same + differ + missing + failed, same, differ, missing, failed);
  ctx.report.line(summary);
  if (result != kOk) return result;
  if (walkDamaged(*reader)) return kDamaged;
  if (names.taken() == 0) return kNoMatch;
  return differ || missing ? kCrcError : kOk;
}

}  // namespace tar32
