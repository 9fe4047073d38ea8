// -x, -t and -l over the shared open, selection, extraction run and listing;
// what is UnZip's own: the overwrite rule of -o and where passwords come from.
#include "unzip_commands.h"

#include "archive_commands.h"
#include "core/extract.h"
#include "password_prompt.h"
#include "results.h"
#include "zip/zip_reader.h"

namespace unzip32 {

using namespace dllsupport;

namespace {

constexpr OpenTexts kOpenTexts{"書庫が見つかりません", "ZIP 書庫ではありません"};
constexpr int kMethodWidth = 14;  // "deflate64+AES256" and the like

std::unique_ptr<fmt::ArchiveReader> openPath(const std::string& utf8) { return fmt::openZip(utf8); }

int extractOrTest(Context& ctx, fmt::ArchiveReader& reader, const std::vector<size_t>& picked) {
  const UnZipOptions& o = ctx.options;
  // Without a window or -P nobody can give a password: the reader then says
  // that none was given.
  PasswordPrompt prompt(ctx.window, o.password);
  if (ctx.window || o.password)
    reader.setPasswordFn([&prompt](const fmt::Entry& e, std::string& pw) { return prompt(e, pw); });
  fmt::ExtractRequest req;
  req.destination = destinationFolder(o.folder);
  req.indices = picked;
  req.keepFolders = !o.noFolders;
  // Without -o an existing file is asked about through the owner window, and
  // kept when there is none to ask in.
  req.overwrite = o.overwrite ? fmt::Overwrite::Always : ctx.window ? fmt::Overwrite::Ask : fmt::Overwrite::Never;
  req.testOnly = o.command == 't';
  req.restoreAttributes = true;
  return runExtraction(CommandIo{ctx.report, ctx.progress, ctx.window}, reader, req);
}

}  // namespace

int runCommand(Context& ctx) {
  int result = kOk;
  auto reader = openForCommand(ctx.report, ctx.options.archive, openPath, kOpenTexts, result);
  if (!reader) return result;
  const std::vector<size_t> picked = selectEntries(ctx.report, *reader, ctx.options.names, true, false);
  if (ctx.options.command == 'l')
    return writeListing(ctx.report, *reader, picked, kMethodWidth, true, !ctx.options.names.empty());
  if (picked.empty()) {
    ctx.report.line(describe(kNoMatch));
    return kNoMatch;
  }
  return extractOrTest(ctx, *reader, picked);
}

}  // namespace unzip32
