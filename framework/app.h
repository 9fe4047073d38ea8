// The application object: one per program, run by the framework's WinMain.
#pragma once
#include <windows.h>

#include <string>

class CWinApp {
 public:
  CWinApp();
  virtual ~CWinApp();
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  // Runs the program; the result is the process exit code.
  virtual BOOL InitInstance() { return TRUE; }
  virtual int ExitInstance() { return m_exitCode; }
  int Run(HINSTANCE instance, LPSTR commandLine, int show);

  static CWinApp* Current() { return s_current; }

  HINSTANCE m_hInstance = nullptr;
  std::string m_commandLine;  // the tail after the program name, as WinMain receives it
  int m_nCmdShow = SW_SHOWNORMAL;
  int m_exitCode = 0;

 private:
  static CWinApp* s_current;
};

// The module whose resources the framework loads (the program, or a DLL that sets it).
HINSTANCE FrameworkResourceHandle();
void SetFrameworkResourceHandle(HINSTANCE instance);
