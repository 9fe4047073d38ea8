// Running another program from a test: its standard output and error captured,
// this thread's windows served while it runs (it may be reading a clipboard
// whose data lives here, or sending to windows of this thread).
#pragma once
#include <windows.h>

#include <string>

struct ProgramRun {
  bool started = false;
  bool ended = false;  // within the time given
  DWORD exitCode = static_cast<DWORD>(-1);
  std::string output;
};

// `exe` may be empty (then the first word of `commandLine` names it); `folder`
// empty is this process's current folder.
ProgramRun RunProgram(const std::string& exe, const std::string& commandLine, const std::string& folder = std::string(),
                      DWORD timeoutMs = 60000);
