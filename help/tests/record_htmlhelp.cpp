// A stand-in for the HTML help control (built as hhctrl.ocx): HtmlHelpA writes
// the topic it was asked for, the command and whether an owner window was given
// into htmlhelp.txt beside the library, one line per call.
#include <windows.h>

#include <cstdio>
#include <string>

static HMODULE g_self = nullptr;

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) g_self = instance;
  return TRUE;
}

extern "C" __declspec(dllexport) HWND WINAPI HtmlHelpA(HWND owner, LPCSTR file, UINT command, DWORD_PTR) {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(g_self, self, MAX_PATH);
  std::string log(self);
  log = log.substr(0, log.find_last_of('\\')) + "\\htmlhelp.txt";
  if (FILE* f = std::fopen(log.c_str(), "ab")) {
    std::fprintf(f, "%s|%u|%s\n", file ? file : "(null)", command, owner ? "owner" : "none");
    std::fclose(f);
  }
  return nullptr;
}
