#include "sfx_files.h"

#include <algorithm>

namespace sfxtest {

std::string binFolder() {
  char buf[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, buf, MAX_PATH);
  std::string p = buf;
  return p.substr(0, p.find_last_of('\\') + 1);  // the test's own path holds no double-byte character
}

namespace {

void removeTree(const std::string& path) {
  for (const auto& name : listFolder(path)) {
    const std::string p = path + "\\" + name;
    const DWORD a = GetFileAttributesA(p.c_str());
    if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY)) {
      removeTree(p);
    } else {
      SetFileAttributesA(p.c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileA(p.c_str());
    }
  }
  RemoveDirectoryA(path.c_str());
}

}  // namespace

Folder::Folder() {
  char tmp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, tmp);
  static int counter = 0;
  path_ = std::string(tmp) + "sfxtest_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++counter);
  removeTree(path_);
  CreateDirectoryA(path_.c_str(), nullptr);
}

Folder::~Folder() { removeTree(path_); }

void writeFile(const std::string& path, const std::string& bytes) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD n = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1 << 24));
    if (!WriteFile(h, bytes.data() + done, chunk, &n, nullptr) || n == 0) break;
    done += n;
  }
  CloseHandle(h);
}

std::string readFile(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return "<missing>";
  LARGE_INTEGER size;
  GetFileSizeEx(h, &size);
  std::string s(static_cast<size_t>(size.QuadPart), '\0');
  size_t done = 0;
  while (done < s.size()) {
    DWORD n = 0;
    if (!ReadFile(h, s.data() + done, static_cast<DWORD>(std::min<size_t>(s.size() - done, 1 << 24)), &n, nullptr) || !n) break;
    done += n;
  }
  CloseHandle(h);
  return s;
}

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

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

namespace {

struct Search {
  DWORD pid;
  const std::string* caption;
  HWND found;
};

BOOL CALLBACK byCaption(HWND w, LPARAM lp) {
  auto* s = reinterpret_cast<Search*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  if (pid != s->pid || !IsWindowVisible(w)) return TRUE;
  char text[512] = {};
  GetWindowTextA(w, text, sizeof text);
  if (std::string(text).compare(0, s->caption->size(), *s->caption) != 0) return TRUE;
  s->found = w;
  return FALSE;
}

}  // namespace

HWND Program::window(const std::string& caption) {
  for (;;) {
    Search s{pi_.dwProcessId, &caption, nullptr};
    EnumWindows(byCaption, reinterpret_cast<LPARAM>(&s));
    if (s.found) return s.found;
    if (WaitForSingleObject(pi_.hProcess, 20) != WAIT_TIMEOUT) return nullptr;
  }
}

std::string controlText(HWND dlg, int id) {
  char text[65536] = {};
  SendMessageA(GetDlgItem(dlg, id), WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  return text;
}

void click(HWND dlg, int id) {
  PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dlg, id)));
}

}  // namespace sfxtest
