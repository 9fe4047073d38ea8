// An Unlha command line taken apart: command, switches, archive, base folder, names.
#pragma once
#include <string>
#include <vector>

#include "command_line.h"

namespace unlha {

enum class SfxKind { Dos, Win95, Win31 };

struct LhaOptions {
  char command = 'l';       // a u f d e x l v t p s n c
  std::string archive;      // Shift-JIS, ".lzh" added when it has no extension and is not found
  std::string base;         // Shift-JIS folder ending in '\', or "" (the current folder)
  std::vector<std::string> names;

  bool keepFolders = false;   // -x
  bool recurse = false;       // -r
  bool noQuestions = false;   // -m
  bool overwriteAll = false;  // -y
  bool ignoreDates = false;   // -c
  bool wholePath = false;     // -p
  bool allAttributes = false; // -a, -+
  bool store = false;         // -z
  bool newestTime = false;    // -t
  bool caseSensitive = false; // -i
  bool noProgress = false;    // -n
  bool shortNames = false;    // -ji
  int headerLevel = 2;        // -h0 .. -h2
  std::string method = "-lh5-";  // -jm0 .. -jm4, -z, -o
  bool hasNewName = false;
  std::string newName;        // -gr"..."
  std::string workFolder;     // -w...
  SfxKind sfx = SfxKind::Dos; // -gw, -jw
};

// Throws fmt::Error (Usage) with a message naming the bad part.
LhaOptions parseCommand(const std::vector<dllsupport::Token>& tokens);

}  // namespace unlha
