// Where the extension finds Pakmo: the installer's "Install Folder" value and
// the program file after it.
#pragma once
#include <string>

namespace pkshlext {

// The folder text as stored, empty when the key or the value is missing; with
// "\Pakmo.exe" appended, so a missing folder gives the bare "\Pakmo.exe".
std::string pakmoPath();

// Copies `text` into `buffer` of `size` bytes, NUL-terminated and cut at a whole
// Shift-JIS character when it does not fit; nothing is written when size is 0.
void copyBounded(const char* text, char* buffer, size_t size);

}  // namespace pkshlext
