// Self-extracting files: an extractor program, carried by the library as a
// resource, with the archive appended, written atomically as DEST\<name>.exe.
#pragma once
#include <cstdint>
#include <string>

#include "dialogs.h"
#include "report.h"

namespace dllsupport {

// Resource ids (RCDATA) of the extractor programs in a library's module.
enum SfxResource : int { kSfxWindowsResource = 201, kSfxDosResource = 202 };

struct SfxRequest {
  int resource = kSfxWindowsResource;
  std::string archive;       // Shift-JIS path of the archive
  uint64_t start = 0;        // where the archive begins inside that file
  uint64_t length = UINT64_MAX;  // how much of it to take (the rest of the file when longer)
  std::string folder;        // Shift-JIS folder for the new file; "" for the archive's folder
};

// The path of the file `request` makes: the folder and the archive's name with ".exe".
std::string sfxTarget(const SfxRequest& request);

// Writes the file; a line names it. Returns a result (results.h); on any
// failure or a cancel in `progress` (which names the new file while the
// archive is copied) nothing is left behind and an existing file of that name
// is kept.
int writeSelfExtractor(const SfxRequest& request, Report& report, ProgressWindow* progress);

}  // namespace dllsupport
