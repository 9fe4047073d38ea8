// One extraction of the archive a program carries, apart from any window: the
// dialog and the unattended mode both run it and differ only in how they ask
// and show (SfxUi).
#pragma once
#include <cstdint>
#include <string>

#include "core/archive.h"
#include "core/extract.h"

namespace sfx {

class SfxUi {
 public:
  virtual ~SfxUi() = default;
  // With the dialog: yes / no / all / cancel for a file that is there already.
  virtual fmt::OverwriteAnswer askOverwrite(const std::string& sjisPath) = 0;
  // While an entry decodes; false stops the extraction.
  virtual bool progress(const std::string& sjisName, uint64_t done, uint64_t total) = 0;
  // One report line (Shift-JIS).
  virtual void line(const std::string& sjis) = 0;
};

// The exit status of the program: 0 only when every file came out right.
enum ExitStatus : int {
  kExitOk = 0,
  kExitFileErrors = 1,  // some file failed its check or could not be written
  kExitDamaged = 2,     // no sound archive behind the program
  kExitCancelled = 3,
  kExitUsage = 4,
  kExitNotAll = 5,      // finished, but files were kept or left out as unsafe
  kExitInternal = 6,    // the C++ library failed (see cxx_runtime.cpp)
};

struct RunTotals {
  size_t files = 0;  // entries that are files
  uint64_t bytes = 0;
};
RunTotals totals(const fmt::ArchiveReader& reader);

// Extracts every entry with its folders under `destination` (UTF-8). With
// `ask` existing files are asked about, otherwise replaced.
int extractAll(fmt::ArchiveReader& reader, const std::string& destination, bool ask, SfxUi& ui);

// Opens the archive appended to the program at `selfPath` (UTF-8). On failure
// a report line says why and `status` is kExitDamaged.
std::unique_ptr<fmt::ArchiveReader> openSelf(const std::string& selfPath, SfxUi& ui, int& status);

}  // namespace sfx
