// The commands of Tar over the tar engine. Each returns a result value
// (dllsupport/results.h) and writes its lines into the report; errors from the
// engine are thrown and turned into a line and a result by the caller.
#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "core/archive.h"
#include "tar/tar_reader.h"
#include "archive_commands.h"
#include "dialogs.h"
#include "report.h"
#include "tar_options.h"

namespace tar32 {

struct Context {
  HWND window = nullptr;
  TarOptions options;
  dllsupport::Report report;
  dllsupport::ProgressWindow* progress = nullptr;
};

int runCommand(Context& ctx);

int extractCommand(Context& ctx);  // x, also with p
int listCommand(Context& ctx);     // t
int compareCommand(Context& ctx);  // k
int createCommand(Context& ctx);   // c
int appendCommand(Context& ctx);   // r

// The reader's warnings from `before` on: damage a walk met after the open.
void reportLaterWarnings(Context& ctx, const fmt::ArchiveReader& reader, size_t before);
// Whether a walk met damage on its way (entries after it are lost).
bool walkDamaged(const fmt::ArchiveReader& reader);

// The openers: a listing reads every header when opened; a walk decodes once
// as it extracts (fmt::ArchiveReader::readMore).
inline std::unique_ptr<fmt::ArchiveReader> openListing(const std::string& utf8Path) { return fmt::openTar(utf8Path); }
inline std::unique_ptr<fmt::ArchiveReader> openWalk(const std::string& utf8Path) {
  return fmt::openTarForWalk(utf8Path);
}
// The same with names stored in EUC-JP read as such (the e switch).
std::unique_ptr<fmt::ArchiveReader> openListingEucJp(const std::string& utf8Path);
std::unique_ptr<fmt::ArchiveReader> openWalkEucJp(const std::string& utf8Path);
inline dllsupport::OpenerFn listingOpener(const TarOptions& o) { return o.eucJpNames ? openListingEucJp : openListing; }
inline dllsupport::OpenerFn walkOpener(const TarOptions& o) { return o.eucJpNames ? openWalkEucJp : openWalk; }

}  // namespace tar32
