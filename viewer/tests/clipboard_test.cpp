// Copy, paste, drag out and drop in, in the main window over the real LHA
// library, with another process on the other end of the clipboard and the drag.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "file_list_block.h"
#include "lha_workspace.h"
#include "ole_data_source.h"
#include "run_program.h"
#include "shell_data_object.h"
#include "sjis.h"

namespace {

// Runs a program to its end, serving this thread's windows meanwhile (the
// clipboard's data lives in this process); its standard output.
std::string RunServing(const std::string& commandLine) {
  const ProgramRun run = RunProgram("", commandLine, "", 20000);
  EXPECT_TRUE(run.started && run.ended) << commandLine;
  return run.output;
}

// Starts a program and leaves it running.
HANDLE StartProgram(const std::string& commandLine) {
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::string line = commandLine;
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return nullptr;
  CloseHandle(pi.hThread);
  return pi.hProcess;
}

void Serve(DWORD ms) {
  const ULONGLONG end = GetTickCount64() + ms;
  while (GetTickCount64() < end) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    Sleep(10);
  }
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) {
    if (!l.empty() && l.back() == '\r') l.pop_back();
    if (!l.empty()) lines.push_back(l);
  }
  return lines;
}

bool Exists(const std::string& p) { return GetFileAttributesA(p.c_str()) != INVALID_FILE_ATTRIBUTES; }

void ClipboardHoldsText() {
  OleSetClipboard(nullptr);
  if (!OpenClipboard(nullptr)) return;
  EmptyClipboard();
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, 6);
  std::memcpy(GlobalLock(h), "other", 6);
  GlobalUnlock(h);
  SetClipboardData(CF_TEXT, h);
  CloseClipboard();
}

UINT MenuState(CScriptedViewer& v, int menuPosition, UINT command) {
  HMENU sub = GetSubMenu(GetMenu(v.hwnd()), menuPosition);
  SendMessageA(v.hwnd(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(sub), menuPosition);
  return GetMenuState(sub, command, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED);
}

class Clipboard : public LhaWorkspace {
 protected:
  void SetUp() override {
    SetUpWorkspace("dexlor-clipboard");
    peer_ = "\"" + TestBinFolder() + "clipboard_peer.exe\"";
    char temp[MAX_PATH], longTemp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    GetLongPathNameA(temp, longTemp, MAX_PATH);
    temp_ = longTemp;
    sjis::addBackslash(temp_);
    for (const char* f : {"a.txt", "c.txt", "b.txt", "Dexlor clipboard files.txt"}) DeleteFileA((temp_ + f).c_str());
    ClipboardHoldsText();
  }
  void TearDown() override {
    ClipboardHoldsText();
    for (const char* f : {"a.txt", "c.txt", "b.txt", "Dexlor clipboard files.txt"}) DeleteFileA((temp_ + f).c_str());
    LhaWorkspace::TearDown();
  }
  std::vector<std::string> PeerReads() { return Lines(RunServing(peer_ + " read")); }
  std::string peer_, temp_;
};

}  // namespace

TEST_F(Clipboard, CopyOffersExactlyTheSelectedFilesAndNothingWithoutASelection) {
  WithViewer(archive_, [&](CScriptedViewer& v) {
    ASSERT_EQ(v.m_archives.WorkFolder(), temp_);
    EXPECT_NE(MenuState(v, 1, ID_COPY_ENTRIES), 0u) << "no selection: grayed";
    SelectRows(v.list(), {RowOf(v, "a.txt"), RowOf(v, "sub\\表\\c.txt")});
    EXPECT_EQ(MenuState(v, 1, ID_COPY_ENTRIES), 0u);
    SendMessageA(v.hwnd(), WM_COMMAND, ID_COPY_ENTRIES, 0);
    EXPECT_EQ(PeerReads(), (std::vector<std::string>{temp_ + "a.txt", temp_ + "c.txt"}));
    EXPECT_EQ(ReadFile(temp_ + "a.txt"), "alpha\r\n");
    EXPECT_EQ(ReadFile(temp_ + "c.txt"), "表の中身");
    EXPECT_EQ(MenuState(v, 0, ID_PASTE_ARCHIVE), 0u) << "the clipboard offers a file list now";

    ClipboardHoldsText();
    EXPECT_NE(MenuState(v, 0, ID_PASTE_ARCHIVE), 0u) << "no file list: grayed";
    SendMessageA(v.list(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), [] {
      static LVITEMA none{};
      none.stateMask = LVIS_SELECTED;
      return reinterpret_cast<LPARAM>(&none);
    }());
    SendMessageA(v.hwnd(), WM_COMMAND, ID_COPY_ENTRIES, 0);
    EXPECT_TRUE(PeerReads().empty()) << "nothing copied without a selection";
  });
}

TEST_F(Clipboard, CopyOnATarArchiveDoesNothing) {
  HMODULE tar = LoadLibraryA((TestBinFolder() + "TAR32.DLL").c_str());
  if (!tar) GTEST_SKIP() << "needs TAR32.DLL beside the test";
  archiver::Functions fns;
  ASSERT_TRUE(fns.bind(tar, "Tar"));
  const std::string archive = work_ + "t.tar";
  char out[4096] = {};
  ASSERT_EQ(fns.command(nullptr, ("c -vf \"" + archive + "\" \"" + src_ + "\" a.txt").c_str(), out, sizeof out), 0)
      << out;
  FreeLibrary(tar);
  WithViewer(archive, [&](CScriptedViewer& v) {
    ASSERT_EQ(v.m_archives.Format(), kFormatTar);
    ASSERT_FALSE(v.m_rows.empty());
    SelectRows(v.list(), {0});
    EXPECT_NE(MenuState(v, 1, ID_COPY_ENTRIES), 0u) << "grayed for tar";
    SendMessageA(v.hwnd(), WM_COMMAND, ID_COPY_ENTRIES, 0);
    EXPECT_TRUE(PeerReads().empty());
    EXPECT_FALSE(Exists(temp_ + "a.txt")) << "nothing extracted";
  });
}

TEST_F(Clipboard, CopiedFilesOutliveALoadUntilTheClipboardChanges) {
  WithViewer(archive_, [&](CScriptedViewer& v) {
    SelectRows(v.list(), {RowOf(v, "a.txt")});
    SendMessageA(v.hwnd(), WM_COMMAND, ID_COPY_ENTRIES, 0);
    v.LoadArchive();
    EXPECT_TRUE(Exists(temp_ + "a.txt")) << "the clipboard still offers it";
    EXPECT_EQ(PeerReads(), std::vector<std::string>{temp_ + "a.txt"});
    ClipboardHoldsText();
    v.LoadArchive();
    EXPECT_FALSE(Exists(temp_ + "a.txt")) << "gone with the first load after the clipboard changed";
  });
}

TEST_F(Clipboard, CopiedFilesOutliveTheProgramUntilAStartFindsThemOffNoMore) {
  WithViewer(archive_, [&](CScriptedViewer& v) {
    SelectRows(v.list(), {RowOf(v, "a.txt")});
    SendMessageA(v.hwnd(), WM_COMMAND, ID_COPY_ENTRIES, 0);
  });
  EXPECT_TRUE(Exists(temp_ + "a.txt"));
  EXPECT_EQ(PeerReads(), std::vector<std::string>{temp_ + "a.txt"}) << "handed to the system at the end";
  WithViewer(archive_, [&](CScriptedViewer&) {});
  EXPECT_TRUE(Exists(temp_ + "a.txt")) << "a start keeps what the clipboard still offers";
  ClipboardHoldsText();
  WithViewer(archive_, [&](CScriptedViewer&) {});
  EXPECT_FALSE(Exists(temp_ + "a.txt"));
  EXPECT_FALSE(Exists(temp_ + "Dexlor clipboard files.txt"));
}

TEST_F(Clipboard, CtrlVOpensTheFirstFileAnotherProcessPutOnTheClipboard) {
  const std::string second = work_ + "u.lzh";
  Lha("a \"" + second + "\" \"" + src_ + "\" a.txt");
  ASSERT_EQ(RunServing(peer_ + " put \"" + second + "\" \"" + archive_ + "\""), "");
  WithViewer("", [&](CScriptedViewer& v) {
    EXPECT_TRUE(v.m_rows.empty());
    EXPECT_EQ(MenuState(v, 0, ID_PASTE_ARCHIVE), 0u);
    // Ctrl+V as the window's message loop sees it, with Control held.
    BYTE keys[256];
    GetKeyboardState(keys);
    BYTE held[256];
    std::memcpy(held, keys, sizeof held);
    held[VK_CONTROL] = 0x80;
    SetKeyboardState(held);
    MSG key{v.list(), WM_KEYDOWN, 'V', 1, GetTickCount(), {}};
    EXPECT_TRUE(v.PreTranslateMessage(&key)) << "an accelerator";
    SetKeyboardState(keys);
    EXPECT_EQ(v.m_currentPath, second) << "only the first file is opened";
    ASSERT_EQ(v.m_rows.size(), 1u);
    EXPECT_EQ(v.m_rows[0].name, "a.txt");
  });
}

namespace {

// Carries the pointer onto `target` and drops there, as a user's drag would.
class DropOnto : public IDropSource {
 public:
  explicit DropOnto(HWND target) : target_(target) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    *out = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDropSource) ? this : nullptr;
    return *out ? S_OK : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL, DWORD) override {
    RECT r;
    GetWindowRect(target_, &r);
    SetCursorPos((r.left + r.right) / 2 + steps_, (r.top + r.bottom) / 2);
    return ++steps_ < 6 ? S_OK : DRAGDROP_S_DROP;
  }
  HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD effect) override {
    lastEffect = effect;
    return DRAGDROP_S_USEDEFAULTCURSORS;
  }
  DWORD lastEffect = DROPEFFECT_NONE;

 private:
  HWND target_;
  int steps_ = 0;
};

}  // namespace

TEST_F(Clipboard, ADropFromTheShellOpensTheArchiveAndAPlainFileListDoesNot) {
  const std::string second = work_ + "u.lzh";
  Lha("a \"" + second + "\" \"" + src_ + "\" a.txt");
  WithViewer(archive_, [&](CScriptedViewer& v) {
    const ULONG targetRefs = v.DropTarget().References();
    // Only CF_HDROP, as some programs offer: the copy cursor, but nothing opens.
    COleDataSource* plain = COleDataSource::Create();
    plain->CacheGlobalData(CF_HDROP, BuildFileListBlock({second}, 4096));
    DropOnto byPlain(v.list());
    DWORD effect = DROPEFFECT_NONE;
    EXPECT_EQ(DoDragDrop(plain, &byPlain, DROPEFFECT_COPY, &effect), DRAGDROP_S_DROP);
    plain->Release();
    EXPECT_EQ(byPlain.lastEffect & DROPEFFECT_COPY, static_cast<DWORD>(DROPEFFECT_COPY));
    EXPECT_EQ(v.m_currentPath, archive_);

    IDataObject* shell = ShellDataObject({second, archive_});
    ASSERT_NE(shell, nullptr);
    DropOnto byShell(v.list());
    effect = DROPEFFECT_NONE;
    EXPECT_EQ(DoDragDrop(shell, &byShell, DROPEFFECT_COPY | DROPEFFECT_MOVE, &effect), DRAGDROP_S_DROP);
    shell->Release();
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
    EXPECT_EQ(v.m_currentPath, second);
    EXPECT_EQ(v.m_rows.size(), 1u);
    EXPECT_EQ(v.DropTarget().Accepting(), 0);
    EXPECT_EQ(v.DropTarget().References(), targetRefs) << "the drags hold nothing afterwards";
  });
}

TEST_F(Clipboard, ADragThatNeverLeftItsStartExtractsNothingAndHoldsNothing) {
  WithViewer(archive_, [&](CScriptedViewer& v) {
    SelectRows(v.list(), {RowOf(v, "a.txt")});
    const LONG live = COleDataSource::Live();
    for (int i = 0; i < 100; ++i) {
      // The list's own begin-drag notice with no button down: the loop ends at once.
      NMLISTVIEW nm{};
      nm.hdr.hwndFrom = v.list();
      nm.hdr.idFrom = IDC_ENTRY_LIST;
      nm.hdr.code = LVN_BEGINDRAG;
      nm.iItem = RowOf(v, "a.txt");
      SendMessageA(v.hwnd(), WM_NOTIFY, IDC_ENTRY_LIST, reinterpret_cast<LPARAM>(&nm));
    }
    EXPECT_FALSE(Exists(temp_ + "a.txt"));
    EXPECT_EQ(COleDataSource::Live(), live) << "every data source went with its drag";
    EXPECT_EQ(v.DropSource().References(), 0u);
    EXPECT_TRUE(v.DropSource().Command().empty());
  });
}

namespace {

// Runs xdotool (a program of the X server's side, started through Wine) to
// move the real pointer, so the list sees a real press and drag, serving this
// thread's windows meanwhile. Wine gives no handle for a Unix program, so it
// ends by touching `doneMarker` and that is waited for.
void Xdotool(const std::string& args, const std::string& doneMarker) {
  using UnixName = char*(CDECL*)(LPCWSTR);
  auto unixName = reinterpret_cast<UnixName>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  ASSERT_NE(unixName, nullptr) << "runs under Wine";
  std::wstring wide(doneMarker.begin(), doneMarker.end());
  char* marker = unixName(wide.c_str());
  ASSERT_NE(marker, nullptr);
  std::string line = "/usr/bin/xdotool " + args + " exec touch " + marker;
  HeapFree(GetProcessHeap(), 0, marker);
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  ASSERT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
  if (pi.hProcess) CloseHandle(pi.hProcess);
  if (pi.hThread) CloseHandle(pi.hThread);
  const ULONGLONG end = GetTickCount64() + 20000;
  while (GetTickCount64() < end && !Exists(doneMarker)) Serve(20);
  EXPECT_TRUE(Exists(doneMarker)) << "xdotool did not finish";
  DeleteFileA(doneMarker.c_str());
  Serve(500);
}

POINT RowCentre(HWND list, int row) {
  RECT r{};
  r.left = LVIR_LABEL;
  SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r));
  POINT p{r.left + 10, (r.top + r.bottom) / 2};
  ClientToScreen(list, &p);
  return p;
}

}  // namespace

TEST_F(Clipboard, ARealDragOutExtractsAtTheDropAndEscapeExtractsNothing) {
  if (GetFileAttributesA("Z:\\usr\\bin\\xdotool") == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "needs xdotool";
  const std::string out = work_ + "dropped.txt";
  HANDLE target = StartProgram(peer_ + " target \"" + out + "\"");
  ASSERT_NE(target, nullptr);
  HWND targetWindow = nullptr;
  for (int i = 0; i < 100 && !(targetWindow = FindWindowA(nullptr, "drop target")); ++i) Sleep(50);
  ASSERT_NE(targetWindow, nullptr);
  RECT tr;
  GetWindowRect(targetWindow, &tr);
  const int tx = (tr.left + tr.right) / 2, ty = (tr.top + tr.bottom) / 2;

  WithViewer(archive_, [&](CScriptedViewer& v) {
    SetForegroundWindow(v.hwnd());
    const int row = RowOf(v, "a.txt");
    SelectRows(v.list(), {row});
    const POINT p = RowCentre(v.list(), row);
    auto drag = [&](const std::string& beforeRelease) {
      char args[512];
      std::snprintf(args, sizeof args,
                    "mousemove %ld %ld sleep 0.3 mousedown 1 sleep 0.2 mousemove %ld %ld sleep 0.2 mousemove %ld %ld "
                    "sleep 0.3 mousemove %d %d sleep 0.3 mousemove %d %d sleep 0.4 %s mouseup 1",
                    p.x, p.y, p.x + 8, p.y + 8, p.x + 40, p.y + 30, tx - 5, ty - 5, tx, ty, beforeRelease.c_str());
      Xdotool(args, work_ + "xdotool-done");
    };
    drag("key Escape sleep 0.3");
    EXPECT_FALSE(Exists(temp_ + "a.txt")) << "Escape: nothing extracted";
    EXPECT_FALSE(Exists(out)) << "and nothing dropped";
    drag("");
  });
  WaitForSingleObject(target, 5000);
  TerminateProcess(target, 0);
  CloseHandle(target);
  // The path offered, absent while the drag went on, present at the drop.
  EXPECT_EQ(Lines(ReadFile(out)), std::vector<std::string>{temp_ + "a.txt|0|1"});
}
