// An UnZip command line taken apart: command, switches, archive, destination
// folder, names.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "command_line.h"

namespace unzip32 {

struct UnZipOptions {
  char command = 'x';          // x l t
  std::string archive;         // Shift-JIS, ".zip" added when it has no extension and is not found
  std::string folder;          // Shift-JIS destination; "" for the current folder
  std::vector<std::string> names;

  bool noFolders = false;      // -j
  bool overwrite = false;      // -o
  bool quiet = false;          // --i
  std::optional<std::string> password;  // -P<password>
};

// Throws fmt::Error (Usage) with a message naming the bad part.
UnZipOptions parseCommand(const std::vector<dllsupport::Token>& tokens);

}  // namespace unzip32
