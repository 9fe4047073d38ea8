// Result values every archiver library of the suite returns from its command
// entry: 0 on success, one value per kind of failure. Callers (the viewer's
// rename, the console programs) test for them, so they never change.
#pragma once
#include "base/error.h"

namespace dllsupport {

enum Result : int {
  kOk = 0,
  kBadCommand = 0x8001,       // the command line cannot be understood
  kArchiveNotFound = 0x8002,  // no archive file under that name
  kNotArchive = 0x8003,       // the file is not an archive of this library's format
  kDamaged = 0x8004,          // the archive contradicts its format or ends early
  kCrcError = 0x8005,         // decoded data does not match its check value
  kIoError = 0x8006,          // a file could not be read or written
  kCancelled = 0x8007,        // the user stopped it (progress window, question, dialog)
  kNoMatch = 0x8008,          // no entry or file matched the names given
  kNothingToDo = 0x8009,      // valid, but there was nothing to do (no files to add)
  kUnsupported = 0x800A,      // a command or method this library does not provide
  kSkipped = 0x800B,          // finished, but some files were kept or left out
  kInternal = 0x800C,         // an unexpected failure inside the library
  kBadHandle = 0x800D,        // enumeration: not a handle OpenArchive gave, or already closed
  kPassword = 0x800E,         // an encrypted entry was left: no password, or a wrong one
};

// The result for an engine error of that kind.
Result resultFor(fmt::ErrorKind kind);
// The Japanese word for it, for report lines.
const char* describe(Result r);

}  // namespace dllsupport
