#include "sfx_files.h"

#include "remote_window.h"
#include "test_files.h"

#include <algorithm>

namespace sfxtest {

std::string binFolder() {
  char buf[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, buf, MAX_PATH);
  std::string p = buf;
  return p.substr(0, p.find_last_of('\\') + 1);  // the test's own path holds no double-byte character
}

Folder::Folder() {
  char tmp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, tmp);
  static int counter = 0;
  path_ = std::string(tmp) + "sfxtest_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++counter);
  RemoveTree(path_ + "\\");
  CreateDirectoryA(path_.c_str(), nullptr);
}

Folder::~Folder() { RemoveTree(path_ + "\\"); }

void makeFolder(const std::string& path) { CreateDirectoryA(path.c_str(), nullptr); }

std::vector<std::string> listFolder(const std::string& path) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((path + "\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string n = fd.cFileName;
    if (n != "." && n != "..") names.push_back(n);
  } while (FindNextFileA(h, &fd));
  FindClose(h);
  std::sort(names.begin(), names.end());
  return names;
}

Library::Library(const char* file, const char* prefix) {
  module = LoadLibraryA((binFolder() + file).c_str());
  if (module) fns.bind(module, prefix);
}

Library::~Library() {
  if (module) FreeLibrary(module);
}

int Library::run(const std::string& line, std::string* report) const {
  std::string out(archiver::kOutputSize, '\0');
  const int r = fns.command(nullptr, line.c_str(), out.data(), archiver::kOutputSize);
  if (report) *report = out.c_str();
  return r;
}

Program::Program(const std::string& commandLine) {
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  std::string line = commandLine;
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_)) pi_ = {};
}

Program::~Program() {
  if (!pi_.hProcess) return;
  if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(pi_.hProcess, 99);
  CloseHandle(pi_.hProcess);
  CloseHandle(pi_.hThread);
}

DWORD Program::wait() {
  WaitForSingleObject(pi_.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(pi_.hProcess, &code);
  return code;
}

HWND Program::window(const std::string& caption) {
  // The generous limit only keeps a broken run from hanging; no test measures it.
  return WaitForProcessWindow(pi_.dwProcessId, {caption}, 120000);
}

std::string controlText(HWND dlg, int id) {
  char text[65536] = {};
  SendMessageA(GetDlgItem(dlg, id), WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  return text;
}

namespace {

BOOL CALLBACK collectStatic(HWND w, LPARAM out) {
  char cls[32] = {};
  GetClassNameA(w, cls, sizeof cls);
  if (lstrcmpiA(cls, "Static") == 0) {
    char text[4096] = {};
    SendMessageA(w, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    if (*text) *reinterpret_cast<std::string*>(out) += std::string(text) + "\n";
  }
  return TRUE;
}

}  // namespace

std::string staticTexts(HWND window) {
  std::string texts;
  EnumChildWindows(window, collectStatic, reinterpret_cast<LPARAM>(&texts));
  return texts;
}

void click(HWND dlg, int id) {
  PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dlg, id)));
}

}  // namespace sfxtest
