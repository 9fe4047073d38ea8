// The libraries speak Shift-JIS (code page 932) to the suite and UTF-8 to the
// engines; paths and names cross here.
#pragma once
#include <string>

namespace dllsupport {

// A Shift-JIS path for the engine (UTF-8; '\' that is a character of its own
// stays a separator, 5C trail bytes stay inside their character).
std::string toEnginePath(const std::string& sjis);
// The engine's UTF-8 text back in Shift-JIS (characters without a form there become '_').
std::string fromEngine(const std::string& utf8);

bool fileExists(const std::string& sjisPath);

// '\' between folders as the suite shows names, from an engine name with '/'
// (Shift-JIS, trail bytes left alone).
std::string backslashSeparators(const std::string& sjisName);
// The reverse, for names given back by the suite; a trailing separator is dropped.
std::string slashSeparators(const std::string& sjisName);

// The whole characters of s that fit in `limit` bytes.
std::string cutAtCharacter(const std::string& sjis, size_t limit);

}  // namespace dllsupport
