// -x, -t and -l: extraction and testing through the common extraction policy,
// and the listing.
#include "archive_commands.h"
#include "cab/cab_reader.h"
#include "cab_commands.h"
#include "results.h"

namespace cab32 {

using namespace dllsupport;

namespace {

std::unique_ptr<fmt::ArchiveReader> openForCommand(Context& ctx, int& result) {
  return dllsupport::openForCommand(ctx.report, ctx.options.archive, &fmt::openCab,
                                    {"キャビネットが見つかりません", "キャビネットではありません"}, result);
}

// Names match the whole stored path.
std::vector<size_t> selectEntries(Context& ctx, const fmt::ArchiveReader& reader) {
  return dllsupport::selectEntries(ctx.report, reader, ctx.options.names, true, false);
}

// -n keeps every existing file and wins over -o: an option left off never
// loses data. -o replaces every file; by default only an older file is replaced.
fmt::Overwrite overwriteRule(const CabOptions& o) {
  if (o.neverReplace) return fmt::Overwrite::Never;
  if (o.alwaysReplace) return fmt::Overwrite::Always;
  return fmt::Overwrite::IfNewer;
}

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
  fmt::ExtractRequest req;
  req.destination = destinationFolder(ctx.options.folder);
  req.indices = picked;
  req.keepFolders = !ctx.options.noFolders;
  req.overwrite = overwriteRule(ctx.options);
  req.testOnly = ctx.options.command == 't';
  req.restoreAttributes = true;
  return runExtraction({ctx.report, ctx.progress, ctx.window}, *reader, req);
}

int listCommand(Context& ctx) {
  int result = kOk;
  auto reader = openForCommand(ctx, result);
  if (!reader) return result;
  const std::vector<size_t> picked = selectEntries(ctx, *reader);
  return writeListing(ctx.report, *reader, picked, 12, true, !ctx.options.names.empty());
}

}  // namespace cab32
