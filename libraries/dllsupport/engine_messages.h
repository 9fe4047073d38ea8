// The engines say what went wrong in English (UTF-8), as a portable library
// would; the reports are Japanese. Each message the engines make is matched
// against a table of forms, its variable parts (names, numbers, messages
// within it) carried over.
#pragma once
#include <string>

namespace dllsupport {

// The Japanese text (Shift-JIS) of an engine message. A message of no known
// form is given as it stands, converted.
std::string engineMessage(const std::string& utf8);

// For the table's own test: the index of the first form of the table that is
// malformed (a reference to a part the English form lacks, a part never used,
// two parts without text between them), or -1.
int firstMalformedForm();

}  // namespace dllsupport
