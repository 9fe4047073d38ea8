// intake_bench FOLDER: puts every file below FOLDER on the clipboard as a file
// list, starts Pakmo with -copy and prints how long it took from the start of
// the process to the list holding them all, and how long the window then takes
// to answer a message (the slowest of 20). A benchmark, not a test.
#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <string>
#include <vector>

#include "remote_window.h"
#include "resource.h"

namespace {
void collect(const std::string& folder, std::vector<std::string>& out) {
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    std::string n = fd.cFileName;
    if (n == "." || n == "..") continue;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      collect(folder + "\\" + n, out);
    else
      out.push_back(folder + "\\" + n);
  } while (FindNextFileA(h, &fd));
  FindClose(h);
}

double seconds(LARGE_INTEGER a, LARGE_INTEGER b, LARGE_INTEGER f) { return double(b.QuadPart - a.QuadPart) / double(f.QuadPart); }
}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: intake_bench FOLDER\n");
    return 2;
  }
  std::vector<std::string> files;
  collect(argv[1], files);
  size_t bytes = sizeof(DROPFILES) + 1;
  for (auto& f : files) bytes += f.size() + 1;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
  auto* drop = static_cast<DROPFILES*>(GlobalLock(block));
  drop->pFiles = sizeof(DROPFILES);
  char* p = reinterpret_cast<char*>(drop) + sizeof(DROPFILES);
  for (auto& f : files) {
    memcpy(p, f.c_str(), f.size() + 1);
    p += f.size() + 1;
  }
  GlobalUnlock(block);
  if (!OpenClipboard(nullptr)) return 1;
  EmptyClipboard();
  SetClipboardData(CF_HDROP, block);
  CloseClipboard();

  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string dir(self);
  dir = dir.substr(0, dir.find_last_of('\\') + 1);
  std::string cmd = "\"" + dir + "pakmo.exe\" -copy";
  STARTUPINFOA si{sizeof si};
  PROCESS_INFORMATION pi{};
  LARGE_INTEGER freq, t0, t1;
  QueryPerformanceFrequency(&freq);
  QueryPerformanceCounter(&t0);
  if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return 1;
  HWND w = WaitForProcessWindow(pi.dwProcessId, {"Ｐａｋｍｏ"}, 300000);
  if (!w) {
    std::fprintf(stderr, "intake_bench: no window\n");
    TerminateProcess(pi.hProcess, 1);
    return 1;
  }
  const std::string want = "  " + std::to_string(files.size()) + " ";
  HWND list = GetDlgItem(w, IDC_FILE_LIST);
  while (StatusBarText(GetDlgItem(w, IDC_STATUS_BAR)).rfind(want, 0) != 0) Sleep(20);
  QueryPerformanceCounter(&t1);
  const long rows = static_cast<long>(SendMessageA(list, LB_GETCOUNT, 0, 0));
  double slowest = 0;
  for (int i = 0; i < 20; i++) {
    LARGE_INTEGER a, b;
    QueryPerformanceCounter(&a);
    DWORD_PTR r = 0;
    SendMessageTimeoutA(w, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &r);
    QueryPerformanceCounter(&b);
    if (seconds(a, b, freq) > slowest) slowest = seconds(a, b, freq);
    Sleep(10);
  }
  std::printf("files %zu\nlisted %ld\nlisted_seconds %.3f\nslowest_answer_ms %.2f\n", files.size(), rows,
              seconds(t0, t1, freq), slowest * 1000);
  PostMessageA(w, WM_COMMAND, IDCANCEL, 0);
  WaitForSingleObject(pi.hProcess, 10000);
  return 0;
}
