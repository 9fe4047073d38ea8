#include "run_program.h"

namespace {

void ReadAvailable(HANDLE pipe, std::string& out) {
  DWORD avail = 0;
  while (PeekNamedPipe(pipe, nullptr, 0, nullptr, &avail, nullptr) && avail) {
    char buf[4096];
    DWORD n = 0;
    if (!ReadFile(pipe, buf, avail < sizeof buf ? avail : sizeof buf, &n, nullptr) || !n) return;
    out.append(buf, n);
  }
}

}  // namespace

ProgramRun RunProgram(const std::string& exe, const std::string& commandLine, const std::string& folder,
                      DWORD timeoutMs) {
  ProgramRun run;
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &sa, 0)) return run;
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = writeEnd;
  si.hStdError = writeEnd;
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION pi{};
  std::string line = commandLine;
  run.started = CreateProcessA(exe.empty() ? nullptr : exe.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                               folder.empty() ? nullptr : folder.c_str(), &si, &pi) != FALSE;
  CloseHandle(writeEnd);
  if (!run.started) {
    CloseHandle(readEnd);
    return run;
  }
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  for (;;) {
    ReadAvailable(readEnd, run.output);  // a full pipe would stall the program
    const DWORD w = MsgWaitForMultipleObjects(1, &pi.hProcess, FALSE, 20, QS_ALLINPUT);
    if (w == WAIT_OBJECT_0) {
      run.ended = true;
      break;
    }
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    if (GetTickCount64() >= end) break;
  }
  ReadAvailable(readEnd, run.output);
  if (run.ended) GetExitCodeProcess(pi.hProcess, &run.exitCode);
  CloseHandle(readEnd);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  return run;
}
