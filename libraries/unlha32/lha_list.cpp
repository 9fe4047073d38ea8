// l, v and p: listing into the report, and an entry's text into the report.
#include "archive_commands.h"
#include "item_info.h"
#include "lha_archive.h"
#include "lha_commands.h"
#include "results.h"

namespace unlha {

using namespace dllsupport;

namespace {

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
  return writeListing(ctx.report, *reader, picked, 6, ctx.options.command == 'v', !ctx.options.names.empty());
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
