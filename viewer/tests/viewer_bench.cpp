// viewer_bench ARCHIVE [SORTS]: starts Dexlor on an archive and prints how long it
// took from the start of the process to the filled list, the process's peak
// memory, and the time of each column's sort. A benchmark, not a test.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <string>

#include "remote_window.h"
#include "resource.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: viewer_bench ARCHIVE\n");
    return 2;
  }
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string dir(self);
  dir = dir.substr(0, dir.find_last_of('\\') + 1);
  std::string cmd = "\"" + dir + "Dexlor.exe\" \"" + argv[1] + "\"";
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  LARGE_INTEGER freq, t0, t1;
  QueryPerformanceFrequency(&freq);
  QueryPerformanceCounter(&t0);
  if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return 1;
  HWND w = WaitForProcessWindow(pi.dwProcessId, {"Ｄｅｘｌｏｒ - "}, 120000);
  if (!w) {
    std::fprintf(stderr, "viewer_bench: no listing window\n");
    TerminateProcess(pi.hProcess, 1);
    return 1;
  }
  HWND list = GetDlgItem(w, IDC_ENTRY_LIST);
  // The caption is set after the rows; wait until the list answers with them.
  SendMessageA(list, WM_NULL, 0, 0);
  QueryPerformanceCounter(&t1);
  int rows = ListRowCount(list);
  PROCESS_MEMORY_COUNTERS mem{};
  mem.cb = sizeof mem;
  GetProcessMemoryInfo(pi.hProcess, &mem, sizeof mem);
  std::printf("rows %d\nlisted_seconds %.3f\npeak_working_set_mb %.1f\n", rows,
              double(t1.QuadPart - t0.QuadPart) / double(freq.QuadPart), mem.PeakWorkingSetSize / 1048576.0);
  const int sorts[4] = {ID_SORT_NAME, ID_SORT_SIZE, ID_SORT_RATIO, ID_SORT_DATE};
  const char* names[4] = {"name", "size", "ratio", "date"};
  for (int c = 0; c < 4; c++) {
    QueryPerformanceCounter(&t0);
    SendMessageA(w, WM_COMMAND, MAKEWPARAM(sorts[c], 0), 0);
    QueryPerformanceCounter(&t1);
    std::printf("sort_%s_seconds %.3f\n", names[c], double(t1.QuadPart - t0.QuadPart) / double(freq.QuadPart));
  }
  PostMessageA(w, WM_CLOSE, 0, 0);
  WaitForSingleObject(pi.hProcess, 10000);
  return 0;
}
