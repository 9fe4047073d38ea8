// e, x and t: extraction and testing through the common extraction policy.
#include "archive_commands.h"
#include "lha_archive.h"
#include "lha_commands.h"
#include "results.h"

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
  req.destination = baseFolder(ctx);
  req.indices = picked;
  req.keepFolders = ctx.options.command == 'x' || ctx.options.keepFolders;
  req.overwrite = overwriteRule(ctx);
  req.testOnly = ctx.options.command == 't';
  req.restoreAttributes = ctx.options.allAttributes;
  return runExtraction({ctx.report, ctx.progress, ctx.window}, *reader, req);
}

}  // namespace unlha
