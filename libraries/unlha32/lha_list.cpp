// l, v and p: listing into the report, and an entry's text into the report.
#include <cstdio>

#include "item_info.h"
#include "lha_archive.h"
#include "lha_commands.h"
#include "results.h"
#include "sjis_path.h"

namespace unlha {

using namespace dllsupport;

namespace {

std::string leaf(const std::string& sjisName) {
  const std::string slashed = slashSeparators(sjisName);
  const size_t slash = slashed.rfind('/');
  return slash == std::string::npos ? sjisName : sjisName.substr(slash + 1);
}

// Appends what is decoded to the report, up to what its buffer can hold.
class ReportOut : public fmt::OutStream {
 public:
  explicit ReportOut(Report& r) : r_(r) {}
  void write(const void* buf, size_t n) override { r_.raw(std::string(static_cast<const char*>(buf), n)); }

 private:
  Report& r_;
};

}  // namespace

int listCommand(Context& ctx) {
  int result = kOk;
  auto reader = openForCommand(ctx, result);
  if (!reader) return result;
  const std::vector<size_t> picked = selectEntries(ctx, *reader);
  const bool folders = ctx.options.command == 'v';
  ctx.report.line("    サイズ  圧縮サイズ   比率  方式    日時                 名前");
  uint64_t total = 0, packed = 0;
  for (size_t i : picked) {
    const fmt::Entry& e = reader->entries()[i];
    const uint16_t r = ratio(e);
    char line[128];
    std::snprintf(line, sizeof line, "%10llu  %10llu  %3u.%u%%  %-6s  %04u-%02u-%02u %02u:%02u:%02u  ",
                  static_cast<unsigned long long>(e.size), static_cast<unsigned long long>(e.packedSize), r / 10u,
                  r % 10u, e.method.c_str(), 1980u + (e.dosDate >> 9), (e.dosDate >> 5) & 15u, e.dosDate & 31u,
                  e.dosTime >> 11, (e.dosTime >> 5) & 63u, (e.dosTime & 31u) * 2);
    const std::string name = reportedName(e);
    ctx.report.line(line + (folders ? name : leaf(name)));
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

int printCommand(Context& ctx) {
  int result = kOk;
  auto reader = openForCommand(ctx, result);
  if (!reader) return result;
  const std::vector<size_t> picked = selectEntries(ctx, *reader);
  if (picked.empty()) return kNoMatch;
  for (size_t i : picked) {
    const fmt::Entry& e = reader->entries()[i];
    if (e.kind != fmt::EntryKind::File) continue;
    ctx.report.line("<<< " + reportedName(e) + " >>>");
    ReportOut out(ctx.report);
    // Decoding stops being useful once the buffer is full; the CRC is still
    // checked, so a damaged entry is reported whatever was shown of it.
    reader->extract(i, out, [&](uint64_t done, uint64_t total) {
      return !ctx.progress || ctx.progress->update(reportedName(e), done, total);
    });
    ctx.report.line("");
  }
  return kOk;
}

}  // namespace unlha
