// Command texts as the archiver libraries receive them: blanks between operands,
// "..." quoting without escapes (a quote may open inside an operand, as in
// -gr"new name"), and @file operands whose text takes their place.
#pragma once
#include <string>
#include <vector>

namespace dllsupport {

struct Token {
  std::string text;     // quotes removed
  bool quoted = false;  // it began with a quote: never a switch, never @file
};

// Splits text on blanks, tabs, CR and LF. An unclosed quote runs to the end.
std::vector<Token> tokenize(const std::string& text);

// Reads a Shift-JIS path's file as text (CR LF or LF lines). Throws fmt::Error
// (Io) when it cannot be read; bounded to a size no command needs more than.
std::string readResponseFile(const std::string& sjisPath);

// tokenize() with @file operands replaced by their tokens (nested files too, to
// a small depth). A whole text "@path" whose path holds blanks is also taken as
// one response file when that file exists.
std::vector<Token> expandCommandLine(const std::string& text);

}  // namespace dllsupport
