// The extractor's command line: nothing (the dialog), or -s with an optional
// folder (unattended). Paths are UTF-8.
#pragma once
#include <string>
#include <vector>

namespace sfx {

struct SfxOptions {
  bool unattended = false;
  std::string folder;  // "" for the default folder
  bool bad = false;    // an argument that is none of these
};

SfxOptions parseArguments(const std::vector<std::string>& args);

// Where the files go unless the user says otherwise: a folder named after the
// program, beside it ("C:\dl\setup.exe" -> "C:\dl\setup").
std::string defaultFolder(const std::string& selfPath);

}  // namespace sfx
