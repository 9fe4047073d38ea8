// What every library's read commands share: opening the archive a command
// names, picking entries by the names given, running an extraction or test with
// its report lines and summary, and the listing. Each library keeps its own
// grammar and the rules its switches map to; these take the outcome.
#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "core/archive.h"
#include "core/extract.h"
#include "dialogs.h"
#include "report.h"

namespace dllsupport {

using OpenerFn = std::unique_ptr<fmt::ArchiveReader> (*)(const std::string& utf8Path);

// Where a command's lines go and whom it may ask.
struct CommandIo {
  Report& report;
  ProgressWindow* progress = nullptr;
  HWND window = nullptr;  // owner of questions; none means nobody is asked
};

// The report labels of a library for an archive that is missing and for a
// file that is not of its format.
struct OpenTexts {
  const char* notFound;
  const char* notArchive;
};

// The archive (Shift-JIS path) opened with `open`, its warnings reported;
// null with `result` set and a line in the report when it cannot be.
std::unique_ptr<fmt::ArchiveReader> openForCommand(Report& report, const std::string& sjisArchive, OpenerFn open,
                                                  const OpenTexts& texts, int& result);

// Indices of the entries the names select (every entry when there are none);
// a name that matched nothing is named in the report.
std::vector<size_t> selectEntries(Report& report, const fmt::ArchiveReader& reader,
                                  const std::vector<std::string>& names, bool wholePath, bool caseSensitive);

// The engine path of a destination or base folder given in Shift-JIS, without
// trailing separators (a drive root keeps its own); the current folder if empty.
std::string destinationFolder(const std::string& sjisFolder);

// Runs the extraction or test, reports each file and a summary line and
// returns the library's result: the first failure, else cancelled, else
// kSkipped when an unsafe name was left out, else kOk. With Overwrite::Ask the
// owner window is asked per file; without one the file is kept.
int runExtraction(const CommandIo& io, fmt::ArchiveReader& reader, const fmt::ExtractRequest& request);

// The listing of the picked entries and a total line. `methodWidth` pads the
// method column; without `fullNames` only the last component is shown.
// kNoMatch when names were given and none matched.
int writeListing(Report& report, const fmt::ArchiveReader& reader, const std::vector<size_t>& picked,
                 int methodWidth, bool fullNames, bool namesGiven);

}  // namespace dllsupport
