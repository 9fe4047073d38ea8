// A Tar command line taken apart: the command and its switches (in one group
// or several, with or without '-'), the operands the switches f, o, N and b
// take in order, then the archive, a base or destination folder and names.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "command_line.h"

namespace tar32 {

enum class Compression { None, Gzip, Bzip2 };

struct TarOptions {
  char command = 0;         // c r x t k
  std::string archive;      // Shift-JIS
  std::string folder;       // Shift-JIS: o PATH or a PATH\ operand; "" for the current folder
  std::vector<std::string> names;

  bool verbose = false;         // v
  Compression compression = Compression::None;
  int level = 6;                // z[N] (6), B[N] (9)
  bool neverReplace = false;    // q
  bool quiet = false;           // n: no progress window
  bool toReport = false;        // p: the entries' bytes into the report
  bool noAttributes = false;    // l
  bool keepFolders = false;     // --use-directory=1
  bool eucJpNames = false;      // e: x, t, k read names stored in EUC-JP
  bool haveDate = false;        // N DATE
  int64_t since = 0;            // seconds since 1970, local midnight of DATE or the time given
};

// Throws fmt::Error (Usage) naming the part it cannot take.
TarOptions parseCommand(const std::vector<dllsupport::Token>& tokens);

// DATE as YYYYMMDD[hhmm[ss]], YYYY-MM-DD or YYYY/MM/DD (local time); false when it is none.
bool parseDate(const std::string& text, int64_t& seconds);

}  // namespace tar32
