// x (also with p: into the report) and t over the common extraction run and
// listing. Extraction walks the archive: a compressed one is decoded once.
#include "archive_commands.h"
#include "engine_messages.h"
#include "item_info.h"
#include "name_selection.h"
#include "results.h"
#include "sjis_path.h"
#include "tar_commands.h"

namespace tar32 {

using namespace dllsupport;

namespace {

const OpenTexts kTexts{"書庫が見つかりません", "tar 書庫ではありません"};

// Names match the whole stored path, in any case (Windows names).
NameSelection selection(const TarOptions& o) { return NameSelection(o.names, true, false); }

// Whether the name survives the trip to Shift-JIS and back (the report can show it).
bool showableInCp932(const fmt::Entry& e) {
  if (e.encoding != fmt::NameEncoding::Utf8) return true;
  return toEnginePath(fromEngine(e.name)) == e.name;
}

class ReportStream : public fmt::OutStream {
 public:
  explicit ReportStream(Report& r) : r_(r) {}
  void write(const void* buf, size_t n) override {
    if (r_.full()) fmt::fail(fmt::ErrorKind::Io, "the report buffer is full");
    r_.raw(std::string(static_cast<const char*>(buf), n));
  }

 private:
  Report& r_;
};

// p: each chosen file's bytes, one after another, as tar -O writes them.
int printEntries(Context& ctx, fmt::ArchiveReader& reader, NameSelection& names) {
  int result = kOk;
  for (size_t i = 0; i < reader.entries().size() || reader.readMore(); ++i) {
    const fmt::Entry& e = reader.entries()[i];
    if (e.kind != fmt::EntryKind::File || !names.take(e)) continue;
    ReportStream out(ctx.report);
    try {
      reader.extract(i, out);
    } catch (const fmt::Error& err) {
      if (err.kind() == fmt::ErrorKind::Io && ctx.report.full()) return kOk;  // the caller's buffer holds no more
      ctx.report.line("");
      ctx.report.line(std::string(describe(resultFor(err.kind()))) + ": " + reportedName(e) + ": " + engineMessage(err.what()));
      if (result == kOk) result = resultFor(err.kind());
    }
  }
  return result;
}

}  // namespace

bool walkDamaged(const fmt::ArchiveReader& reader) {
  const auto* tar = dynamic_cast<const fmt::tar::TarReader*>(&reader);
  return tar && tar->damaged();
}

void reportLaterWarnings(Context& ctx, const fmt::ArchiveReader& reader, size_t before) {
  for (size_t i = before; i < reader.warnings().size(); ++i) ctx.report.line("警告: " + engineMessage(reader.warnings()[i]));
}

int extractCommand(Context& ctx) {
  const TarOptions& o = ctx.options;
  int result = kOk;
  auto reader = openForCommand(ctx.report, o.archive, walkOpener(o), kTexts, result);
  if (!reader) return result;
  const size_t warned = reader->warnings().size();
  NameSelection names = selection(o);
  if (o.toReport) {
    result = printEntries(ctx, *reader, names);
  } else {
    fmt::ExtractRequest req;
    req.destination = destinationFolder(o.folder);
    req.keepFolders = o.keepFolders;
    // tar replaces existing files; q keeps every one.
    req.overwrite = o.neverReplace ? fmt::Overwrite::Never : fmt::Overwrite::Always;
    req.restoreAttributes = !o.noAttributes;
    req.select = [&](const fmt::Entry& e) {
      if (!names.take(e)) return false;
      if (!showableInCp932(e)) ctx.report.file("932 で表せない文字を含む名前です", reportedName(e));
      return true;
    };
    const CommandIo io{ctx.report, ctx.progress, ctx.window};
    result = runExtraction(io, *reader, req);
  }
  reportLaterWarnings(ctx, *reader, warned);
  names.reportUnmatched(ctx.report);
  if (result == kOk && walkDamaged(*reader)) {
    ctx.report.line(describe(kDamaged));
    return kDamaged;
  }
  if (names.taken() == 0) {
    if (result == kOk) ctx.report.line(describe(kNoMatch));
    return result == kOk ? kNoMatch : result;
  }
  return result;
}

int listCommand(Context& ctx) {
  const TarOptions& o = ctx.options;
  int result = kOk;
  auto reader = openForCommand(ctx.report, o.archive, listingOpener(o), kTexts, result);
  if (!reader) return result;
  const std::vector<size_t> picked = selectEntries(ctx.report, *reader, o.names, true, false);
  return writeListing(ctx.report, *reader, picked, 8, true, !o.names.empty());
}

namespace {

std::unique_ptr<fmt::ArchiveReader> withEucJpNames(std::unique_ptr<fmt::ArchiveReader> reader) {
  if (auto* tar = dynamic_cast<fmt::tar::TarReader*>(reader.get())) tar->readNamesAsEucJp();
  return reader;
}

}  // namespace

std::unique_ptr<fmt::ArchiveReader> openListingEucJp(const std::string& utf8Path) {
  return withEucJpNames(openListing(utf8Path));
}
std::unique_ptr<fmt::ArchiveReader> openWalkEucJp(const std::string& utf8Path) {
  return withEucJpNames(openWalk(utf8Path));
}

int runCommand(Context& ctx) {
  switch (ctx.options.command) {
    case 'x': return extractCommand(ctx);
    case 't': return listCommand(ctx);
    case 'k': return compareCommand(ctx);
    case 'c': return createCommand(ctx);
    case 'r': return appendCommand(ctx);
  }
  return kBadCommand;
}

}  // namespace tar32
