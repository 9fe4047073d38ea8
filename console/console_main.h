// What every console program of the suite does around its library's command
// entry: the usage text when called without arguments, else the command text
// exactly as typed (everything after the program name) to the entry and its
// report to standard output unchanged.
#pragma once
#include <windows.h>

#include <cstddef>

#include "archiver.h"

enum class ConsoleExit { LibraryResult, AlwaysZero };

int RunConsole(int argc, archiver::CommandFn command, const char* usage, size_t usageSize, ConsoleExit exit);

// The command line without the program name as written (quotes included) and
// the one character after it.
const char* ConsoleCommandText(const char* line);
