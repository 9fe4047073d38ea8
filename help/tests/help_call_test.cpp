// Dexlor's help command opens "<its folder>\Pakdex.chm::/Dexlor1.htm" with the
// display-topic command and no owner. A copy of the program runs in a folder of
// its own beside a recording stand-in for the help control, which Windows'
// library search finds there first. Wine would take its built-in control
// instead, so for the test its per-program settings prefer the one on disk.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr WORD kHelpCommand = 32799;

std::string binFolder() {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  return fs::path(self).parent_path().string();
}

struct Search {
  DWORD pid;
  HWND found;
};

// The main window: the program's visible dialog with a menu (the notice has none).
BOOL CALLBACK findMain(HWND w, LPARAM lp) {
  auto* s = reinterpret_cast<Search*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  if (pid == s->pid && IsWindowVisible(w) && GetMenu(w)) {
    s->found = w;
    return FALSE;
  }
  return TRUE;
}

// Another visible dialog of the program: the notice at start.
BOOL CALLBACK findNotice(HWND w, LPARAM lp) {
  auto* s = reinterpret_cast<Search*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  if (pid == s->pid && IsWindowVisible(w) && !GetMenu(w)) {
    s->found = w;
    return FALSE;
  }
  return TRUE;
}

std::string readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

TEST(DexlorHelp, F1OpensTheDexlorTopicOfTheHelpFileBesideTheProgram) {
  char tmp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, tmp);
  // A folder name with 表 (trail byte 5C): the folder is cut at the real last backslash.
  std::string dir = std::string(tmp) + "dexlor_help_表_" + std::to_string(GetCurrentProcessId());
  CreateDirectoryA(dir.c_str(), nullptr);
  const std::string bin = binFolder();
  for (const char* name : {"Dexlor.exe", "UNLHA32.DLL", "CAB32.DLL"})
    ASSERT_TRUE(CopyFileA((bin + "\\" + name).c_str(), (dir + "\\" + name).c_str(), FALSE)) << name;
  ASSERT_TRUE(CopyFileA((bin + "\\record_htmlhelp.dll").c_str(), (dir + "\\hhctrl.ocx").c_str(), FALSE));

  const char kWineSettings[] = "Software\\Wine\\AppDefaults\\Dexlor.exe\\DllOverrides";
  HKEY wine = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kWineSettings, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &wine, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(wine, "hhctrl.ocx", 0, REG_SZ, reinterpret_cast<const BYTE*>("native,builtin"), 15);
  RegCloseKey(wine);

  std::string cmd = "\"" + dir + "\\Dexlor.exe\"";
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  ASSERT_TRUE(CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &pi));
  Search s{pi.dwProcessId, nullptr};
  for (int i = 0; i < 3000 && !s.found; ++i) {
    Sleep(10);
    EnumWindows(findMain, reinterpret_cast<LPARAM>(&s));
  }
  ASSERT_NE(s.found, nullptr) << "Dexlor shows its window";
  const std::string log = dir + "\\htmlhelp.txt";
  auto waitForLines = [&](size_t lines) {
    std::string calls;
    for (int i = 0; i < 3000; ++i) {
      calls = readAll(log);
      if (static_cast<size_t>(std::count(calls.begin(), calls.end(), '\n')) >= lines) break;
      Sleep(10);
    }
    return calls;
  };
  // The notice of the libraries this tree lacks runs a loop of its own: closed
  // first, so that keys reach the main window's.
  for (int i = 0; i < 100; ++i) {
    Search notice{pi.dwProcessId, nullptr};
    EnumWindows(findNotice, reinterpret_cast<LPARAM>(&notice));
    if (notice.found) PostMessageA(notice.found, WM_COMMAND, IDOK, 0);
    else if (i > 20) break;
    Sleep(10);
  }
  // The Help menu's command, then F1 on the entry list as a user presses it.
  PostMessageA(s.found, WM_COMMAND, MAKEWPARAM(kHelpCommand, 0), 0);
  std::string first = waitForLines(1);
  HWND list = FindWindowExA(s.found, nullptr, "SysListView32", nullptr);
  ASSERT_NE(list, nullptr);
  PostMessageA(list, WM_KEYDOWN, VK_F1, 0x003B0001);
  PostMessageA(list, WM_KEYUP, VK_F1, 0xC03B0001);
  std::string calls = waitForLines(2);
  TerminateProcess(pi.hProcess, 0);
  WaitForSingleObject(pi.hProcess, 10000);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  RegDeleteKeyA(HKEY_CURRENT_USER, kWineSettings);
  RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\Dexlor.exe");
  // HH_DISPLAY_TOPIC is 0.
  const std::string call = dir + "\\Pakdex.chm::/Dexlor1.htm|0|none\n";
  EXPECT_EQ(first, call);
  EXPECT_EQ(calls, call + call) << "F1 opens the same topic";
  for (const char* name : {"Dexlor.exe", "UNLHA32.DLL", "CAB32.DLL", "hhctrl.ocx", "htmlhelp.txt"})
    DeleteFileA((dir + "\\" + name).c_str());
  RemoveDirectoryA(dir.c_str());
}

}  // namespace
