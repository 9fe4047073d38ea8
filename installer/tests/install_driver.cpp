// Drives the installed suite for install_e2e.sh, as a user would, and writes
// what it saw to standard output in UTF-8, one "key: value" line each:
//   install SOURCE FOLDER [BROKEN_KEY]  runs SOURCE\pdinstall.exe in SOURCE, types FOLDER
//       (empty: answers the question with Cancel), ticks every type in the
//       association dialog, answers each message; BROKEN_KEY (under HKCR) is
//       made a dangling link first, so that creating it fails
//   uninstall                           runs the uninstall entry's program and says yes
//   lnk LINK                            the shortcut's target and description
//   open FILE                           opens FILE through its association; the program
//       started, its caption and its row count
//   shell FOLDER NAME...                the registered context-menu handler, created by
//       class id, chosen for the items; what the stand-in Pakmo recorded
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "install_layout.h"
#include "registry.h"
#include "shell_data_object.h"
#include "shell_selection.h"

namespace {

std::string utf8(const std::string& ansi) {
  std::wstring w = shellext_test::wide(ansi);
  int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, out.data(), n, nullptr, nullptr);
  out.resize(n - 1);
  return out;
}

void say(const std::string& key, const std::string& value) {
  std::printf("%s: %s\n", key.c_str(), utf8(value).c_str());
  std::fflush(stdout);
}

// Through WM_GETTEXT: an edit control of another process keeps its text to itself.
std::string textOf(HWND w) {
  char buf[2048] = {};
  DWORD_PTR copied = 0;
  SendMessageTimeoutA(w, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 5000, &copied);
  return buf;
}

std::string className(HWND w) {
  char buf[64] = {};
  GetClassNameA(w, buf, sizeof buf);
  return buf;
}

std::vector<HWND> windowsOf(const std::set<DWORD>& pids) {
  std::vector<HWND> found;
  struct Ctx {
    const std::set<DWORD>* pids;
    std::vector<HWND>* found;
  } ctx{&pids, &found};
  EnumWindows(
      [](HWND w, LPARAM lp) -> BOOL {
        auto* c = reinterpret_cast<Ctx*>(lp);
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        if (c->pids->count(pid) && IsWindowVisible(w)) c->found->push_back(w);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&ctx));
  return found;
}

std::set<DWORD> processesNamed(const char* exe) {
  std::set<DWORD> pids;
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32 pe{};
  pe.dwSize = sizeof pe;
  for (BOOL ok = Process32First(snap, &pe); ok; ok = Process32Next(snap, &pe))
    if (lstrcmpiA(pe.szExeFile, exe) == 0) pids.insert(pe.th32ProcessID);
  CloseHandle(snap);
  return pids;
}

void press(HWND dlg, int id) { PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dlg, id))); }

// A message box: its text and which buttons it has.
bool isMessageBox(HWND w) { return className(w) == "#32770" && GetDlgItem(w, 0xFFFF) != nullptr; }

// Runs `process` to its end, handing each new window to `answer` once; false on
// a time-out (two minutes).
bool serve(HANDLE process, const std::set<DWORD>& pids, const std::function<void(HWND)>& answer,
           const char* alsoWatch = nullptr, bool* sawWatched = nullptr) {
  std::set<HWND> handled;
  for (int i = 0; i < 6000; ++i) {
    std::set<DWORD> all = pids;
    if (alsoWatch) {
      std::set<DWORD> more = processesNamed(alsoWatch);
      if (!more.empty() && sawWatched) *sawWatched = true;
      all.insert(more.begin(), more.end());
    }
    for (HWND w : windowsOf(all)) {
      if (handled.count(w)) continue;
      handled.insert(w);
      answer(w);
    }
    if (WaitForSingleObject(process, 20) == WAIT_OBJECT_0) return true;
  }
  return false;
}

// Made volatile and removed again; opening or creating the key then fails.
struct DanglingLink {
  HKEY link = nullptr;
  explicit DanglingLink(const std::string& path) {
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, REG_OPTION_CREATE_LINK | REG_OPTION_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &link, nullptr) != ERROR_SUCCESS) {
      link = nullptr;
      return;
    }
    const std::wstring target = L"\\Registry\\Machine\\Software\\Classes\\NoSuchPakdexParent\\Key";
    RegSetValueExW(link, L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(target.data()),
                   static_cast<DWORD>(target.size() * sizeof(wchar_t)));
  }
  ~DanglingLink() {
    using NtDeleteKeyFn = LONG(WINAPI*)(HANDLE);
    auto del = reinterpret_cast<NtDeleteKeyFn>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtDeleteKey")));
    if (link && del) del(link);
    if (link) RegCloseKey(link);
  }
};

int runInstall(const std::string& source, const std::string& folder, const std::string& brokenKey) {
  std::unique_ptr<DanglingLink> broken;
  if (!brokenKey.empty()) {
    broken = std::make_unique<DanglingLink>(brokenKey);
    say("broken key", broken->link ? brokenKey : "could not be made");
  }
  std::string cmd = "\"" + source + "\\pdinstall.exe\"";
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, source.c_str(), &si, &pi)) {
    say("error", "pdinstall.exe does not start");
    return 1;
  }
  bool sawUninstaller = false;
  bool done = serve(
      pi.hProcess, {pi.dwProcessId},
      [&](HWND w) {
        std::string caption = textOf(w);
        if (caption == "Pakmo+Dexlor インストール") {
          say("install dialog", textOf(GetDlgItem(w, 1003)));
          say("folder shown", textOf(GetDlgItem(w, 1000)));
          SetWindowTextA(GetDlgItem(w, 1000), folder.c_str());
          press(w, 1002);
        } else if (caption == "Dexlorの関連付け") {
          say("associations dialog", "shown");
          for (int id = 1000; id <= 1003; ++id)
            if (IsDlgButtonChecked(w, id) != BST_CHECKED) SendMessageA(GetDlgItem(w, id), BM_CLICK, 0, 0);
          press(w, IDOK);
        } else if (isMessageBox(w)) {
          say("message " + caption, textOf(GetDlgItem(w, 0xFFFF)));
          if (caption == "pduninstall") say("uninstaller", "shown a message");
          press(w, GetDlgItem(w, IDCANCEL) && folder.empty() ? IDCANCEL : IDOK);
        } else {
          say("window", caption);
        }
      },
      "pduninstall.exe", &sawUninstaller);
  DWORD code = 0;
  GetExitCodeProcess(pi.hProcess, &code);
  say("pdinstall", done ? "ended " + std::to_string(code) : "did not end");
  // The uninstaller runs on by itself: wait for it.
  for (int i = 0; i < 3000; ++i) {
    std::set<DWORD> running = processesNamed("pduninstall.exe");
    if (running.empty()) break;
    sawUninstaller = true;
    for (HWND w : windowsOf(running))
      if (isMessageBox(w)) {
        say("message pduninstall", textOf(GetDlgItem(w, 0xFFFF)));
        press(w, IDOK);
      }
    Sleep(20);
  }
  say("uninstaller started", sawUninstaller ? "yes" : "no");
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return done ? 0 : 1;
}

int runUninstall() {
  reg::Key key = reg::Key::open(HKEY_LOCAL_MACHINE, install::kUninstallKey);
  auto program = key ? key.getString("UninstallString") : std::nullopt;
  if (!program) {
    say("error", "no uninstall entry");
    return 1;
  }
  say("uninstall string", *program);
  std::string cmd = "\"" + *program + "\"";
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    say("error", "the uninstaller does not start");
    return 1;
  }
  bool done = serve(pi.hProcess, {pi.dwProcessId}, [&](HWND w) {
    if (!isMessageBox(w)) return say("window", textOf(w));
    say("message " + textOf(w), textOf(GetDlgItem(w, 0xFFFF)));
    press(w, GetDlgItem(w, IDYES) ? IDYES : IDOK);
  });
  DWORD code = 0;
  GetExitCodeProcess(pi.hProcess, &code);
  say("pduninstall", done ? "ended " + std::to_string(code) : "did not end");
  return done ? 0 : 1;
}

int lnk(const std::string& link) {
  IShellLinkA* shellLink = nullptr;
  IPersistFile* file = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&shellLink))) ||
      FAILED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) ||
      FAILED(file->Load(shellext_test::wide(link).c_str(), STGM_READ))) {
    say("error", "cannot load " + link);
    return 1;
  }
  char target[MAX_PATH] = {}, description[MAX_PATH] = {};
  shellLink->GetPath(target, MAX_PATH, nullptr, 0);
  shellLink->GetDescription(description, MAX_PATH);
  say("target", target);
  say("target exists", GetFileAttributesA(target) != INVALID_FILE_ATTRIBUTES ? "yes" : "no");
  say("description", description);
  file->Release();
  shellLink->Release();
  return 0;
}

int open(const std::string& file) {
  SHELLEXECUTEINFOA sei{};
  sei.cbSize = sizeof sei;
  sei.fMask = SEE_MASK_NOCLOSEPROCESS;
  sei.lpVerb = "open";
  sei.lpFile = file.c_str();
  sei.nShow = SW_SHOWNORMAL;
  if (!ShellExecuteExA(&sei) || !sei.hProcess) {
    say("error", "the association does not start a program");
    return 1;
  }
  DWORD pid = GetProcessId(sei.hProcess);
  char image[MAX_PATH] = {};
  DWORD size = MAX_PATH;
  QueryFullProcessImageNameA(sei.hProcess, 0, image, &size);
  say("program", image);
  int rows = -1;
  std::string caption;
  for (int i = 0; i < 3000 && rows <= 0; ++i) {
    for (HWND w : windowsOf({pid})) {
      if (!GetMenu(w)) {
        // The notice of libraries not found comes first.
        if (isMessageBox(w) || className(w) == "#32770") press(w, IDOK);
        continue;
      }
      caption = textOf(w);
      if (HWND list = FindWindowExA(w, nullptr, "SysListView32", nullptr))
        rows = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    }
    Sleep(20);
  }
  say("caption", caption);
  say("rows", std::to_string(rows));
  TerminateProcess(sei.hProcess, 0);
  WaitForSingleObject(sei.hProcess, 10000);
  CloseHandle(sei.hProcess);
  return rows > 0 ? 0 : 1;
}

int shell(const std::string& folder, const std::vector<std::string>& names) {
  // {1BCFCF41-8841-11d0-9633-444553540000}, found through the registry as the shell finds it.
  const CLSID clsid = {0x1bcfcf41, 0x8841, 0x11d0, {0x96, 0x33, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
  IShellExtInit* init = nullptr;
  HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IShellExtInit, reinterpret_cast<void**>(&init));
  if (FAILED(hr)) {
    say("error", "the class is not registered");
    return 1;
  }
  IDataObject* data = ShellDataObject(folder, names);
  IContextMenu* cm = nullptr;
  if (!data || FAILED(init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&cm)))) {
    say("error", "no selection");
    return 1;
  }
  init->Initialize(nullptr, data, nullptr);
  HMENU menu = CreatePopupMenu();
  cm->QueryContextMenu(menu, 0, 1, 100, CMF_NORMAL);
  char item[64] = {};
  GetMenuStringA(menu, 0, item, sizeof item, MF_BYPOSITION);
  say("menu item", item);
  DestroyMenu(menu);
  CMINVOKECOMMANDINFO info{};
  info.cbSize = sizeof info;
  info.lpVerb = MAKEINTRESOURCEA(0);
  info.nShow = SW_SHOWNORMAL;
  cm->InvokeCommand(&info);

  std::string installed;
  if (reg::Key key = reg::Key::open(HKEY_LOCAL_MACHINE, install::kPakmoKey))
    installed = key.getString(install::kInstallValue).value_or("");
  std::filesystem::path runs = std::filesystem::path(installed) / "runs";
  std::string record;
  // The clipboard's owner renders the file list for Pakmo: keep the messages flowing.
  for (int i = 0; i < 6000 && record.empty(); ++i) {
    std::error_code ec;
    for (auto& e : std::filesystem::directory_iterator(runs, ec))
      if (e.path().extension() == ".txt") {
        std::ifstream in(e.path(), std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        record = ss.str();
      }
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    Sleep(10);
  }
  // The stand-in's record is no file of the suite: gone before the uninstall.
  std::error_code ec;
  std::filesystem::remove_all(runs, ec);
  std::istringstream lines(record);
  for (std::string line; std::getline(lines, line);) say("pakmo", line);
  OleSetClipboard(nullptr);
  cm->Release();
  init->Release();
  data->Release();
  return record.empty() ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  OleInitialize(nullptr);
  std::vector<std::string> args(argv + 1, argv + argc);
  int rc = 2;
  if (args.size() >= 3 && args[0] == "install")
    rc = runInstall(args[1], args[2], args.size() > 3 ? args[3] : "");
  else if (args.size() == 1 && args[0] == "uninstall")
    rc = runUninstall();
  else if (args.size() == 2 && args[0] == "lnk")
    rc = lnk(args[1]);
  else if (args.size() == 2 && args[0] == "open")
    rc = open(args[1]);
  else if (args.size() >= 3 && args[0] == "shell")
    rc = shell(args[1], {args.begin() + 2, args.end()});
  else
    std::fprintf(stderr, "usage: install_driver install|uninstall|lnk|open|shell ...\n");
  OleUninitialize();
  return rc;
}
