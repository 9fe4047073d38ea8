// A Cab command line taken apart: command, switches, archive, base or
// destination folder, names.
#pragma once
#include <string>
#include <vector>

#include "command_line.h"

namespace cab32 {

enum class Method { Mszip, Lzx, Store };

struct CabOptions {
  char command = 'x';      // a x l t f
  std::string archive;     // Shift-JIS, ".cab" added when it has no extension and is not found
  std::string folder;      // Shift-JIS: -x the destination, -a the base; "" for the current folder
  std::vector<std::string> names;

  bool recurse = false;    // -r
  bool noFolders = false;  // -j
  bool silent = false;     // -i
  bool neverReplace = false;   // -n
  bool alwaysReplace = false;  // -o
  bool followSet = false;  // -k
  bool shortNames = false; // -q
  unsigned volumeKb = 0;   // -v:<nnn>, 0 when not given
  Method method = Method::Mszip;
  int lzxWindow = 21;      // -ml[:nn]
};

// Throws fmt::Error (Usage) with a message naming the bad part.
CabOptions parseCommand(const std::vector<dllsupport::Token>& tokens);

}  // namespace cab32
