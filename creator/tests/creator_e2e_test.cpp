// The real program, started as the shell and a user start it, and read from this
// process: the clipboard hand-over of -copy, a drop made by this process's
// drag loop, the remembered position and a second copy's offset, and compressing
// to the end through the save dialog and the result window's "終了".
#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include "creator_fixture.h"
#include "registry.h"
#include "remote_window.h"
#include "test_files.h"
#include "window_placement.h"

namespace {

const char kMain[] = "Ｐａｋｍｏ";

class Program {
 public:
  explicit Program(const std::string& args) {
    std::string line = "\"" + TestProgramFolder() + "pakmo.exe\" " + args;
    STARTUPINFOA si{sizeof si};
    ok_ = CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, TestProgramFolder().c_str(), &si,
                         &pi_) != FALSE;
    if (ok_) window = WaitForProcessWindow(pi_.dwProcessId, {kMain}, 20000);
  }
  ~Program() {
    if (!ok_) return;
    if (WaitForSingleObject(pi_.hProcess, 0) != WAIT_OBJECT_0) {
      if (window) PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
      if (WaitForSingleObject(pi_.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(pi_.hProcess, 1);
    }
    CloseHandle(pi_.hProcess);
    CloseHandle(pi_.hThread);
  }
  bool Ended(DWORD ms) {
    for (DWORD waited = 0; waited < ms; waited += 50) {
      if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_OBJECT_0) return true;
      ServeMessagesFor(50);
    }
    return false;
  }
  DWORD Id() const { return pi_.dwProcessId; }
  std::vector<std::string> Listed() const {
    std::vector<std::string> names;
    HWND list = GetDlgItem(window, IDC_FILE_LIST);
    const int n = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; i++) {
      // Across processes Wine hands the text over in UTF-16 whichever form is asked.
      wchar_t text[MAX_PATH * 2] = {};
      SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
      char mb[MAX_PATH * 4] = {};
      WideCharToMultiByte(CP_ACP, 0, text, -1, mb, sizeof mb, nullptr, nullptr);
      names.push_back(mb);
    }
    return names;
  }
  std::string Status() const { return StatusBarText(GetDlgItem(window, IDC_STATUS_BAR)); }
  RECT Rect() const {
    RECT r{};
    GetWindowRect(window, &r);
    return r;
  }
  HWND window = nullptr;

 private:
  PROCESS_INFORMATION pi_{};
  bool ok_ = false;
};

// Serves this thread until `ready` says so or `ms` pass.
bool WaitUntil(const std::function<bool()>& ready, DWORD ms = 10000) {
  for (DWORD waited = 0; waited < ms; waited += 50) {
    if (ready()) return true;
    ServeMessagesFor(50);
  }
  return ready();
}

HWND FindTopWindow(DWORD pid, const char* caption) {
  return WaitForProcessWindow(pid, {caption}, 10000);
}

class EndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    OleInitialize(nullptr);
    reg::deleteTree(HKEY_CURRENT_USER, kPakmoKey);
    a = ws.write("data\\a.txt", "a");
    b = ws.write("data\\b.txt", "b");
    sub = ws.folder("data\\sub");
    ws.write("data\\sub\\c.txt", "c");
  }
  void TearDown() override {
    OleSetClipboard(nullptr);
    OleUninitialize();
    reg::deleteTree(HKEY_CURRENT_USER, kPakmoKey);
  }
  Workspace ws;
  std::string a, b, sub;
};

TEST_F(EndToEnd, CopyModeReadsTheFileListAnotherProcessPutOnTheClipboard) {
  IDataObject* data = ShellDataObject({a, sub});
  ASSERT_NE(data, nullptr);
  ASSERT_EQ(OleSetClipboard(data), S_OK);  // the clipboard holds it now
  data->Release();
  Program p("-copy");
  ASSERT_NE(p.window, nullptr);
  EXPECT_TRUE(WaitUntil([&] { return p.Listed().size() == 2; })) << ::testing::PrintToString(p.Listed());
  EXPECT_EQ(p.Listed(), (std::vector<std::string>{"a.txt", "sub\\"}));
  EXPECT_EQ(p.Status(), "  2 個のﾌｧｲﾙ");

  // Without a file list on the clipboard the list stays empty.
  OleSetClipboard(nullptr);
  OpenClipboard(nullptr);
  EmptyClipboard();
  CloseClipboard();
  Program empty("-copy");
  ASSERT_NE(empty.window, nullptr);
  ServeMessagesFor(300);
  EXPECT_TRUE(empty.Listed().empty());
  // "-copy x" is no copy mode: both are paths.
  Program notCopy("-copy " + a);
  ASSERT_NE(notCopy.window, nullptr);
  EXPECT_EQ(notCopy.Listed().size(), 2u);
}

// A drag source that carries the pointer onto `target`'s list and drops there.
class DropOnto : public IDropSource {
 public:
  explicit DropOnto(HWND target) : target_(target) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDropSource)) {
      *out = this;
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escape, DWORD) override {
    if (escape) return DRAGDROP_S_CANCEL;
    RECT r;
    GetWindowRect(GetDlgItem(target_, IDC_FILE_LIST), &r);
    SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2 + steps_);
    Sleep(20);
    return ++steps_ < 15 ? S_OK : DRAGDROP_S_DROP;
  }
  HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD effect) override {
    lastEffect = effect;
    return DRAGDROP_S_USEDEFAULTCURSORS;
  }
  DWORD lastEffect = 0;

 private:
  HWND target_;
  int steps_ = 0;
};

TEST_F(EndToEnd, ADropFromAnotherProcessReplacesTheList) {
  Program p(b);
  ASSERT_NE(p.window, nullptr);
  SetForegroundWindow(p.window);
  IDataObject* data = ShellDataObject({a, sub});
  ASSERT_NE(data, nullptr);
  DropOnto source(p.window);
  DWORD effect = DROPEFFECT_NONE;
  HRESULT hr = DoDragDrop(data, &source, DROPEFFECT_COPY | DROPEFFECT_MOVE, &effect);
  data->Release();
  EXPECT_EQ(hr, DRAGDROP_S_DROP);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
  EXPECT_TRUE(WaitUntil([&] { return p.Listed().size() == 2; })) << ::testing::PrintToString(p.Listed());
  EXPECT_EQ(p.Listed(), (std::vector<std::string>{"a.txt", "sub\\"}));
  EXPECT_EQ(p.Status(), "  2 個のﾌｧｲﾙ");
}

TEST_F(EndToEnd, PositionIsRememberedAndASecondCopyStepsAside) {
  {
    Program first("");
    ASSERT_NE(first.window, nullptr);
    EXPECT_EQ(first.Rect().left, 100);
    EXPECT_EQ(first.Rect().top, 100);
    ServeMessagesFor(300);
    EXPECT_FALSE(reg::Key::open(HKEY_CURRENT_USER, kPakmoKey).getString("Top").has_value())
        << "the placement at start is no move of the user's";
    SetWindowPos(first.window, nullptr, 230, 170, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_TRUE(WaitUntil([&] {
      auto k = reg::Key::open(HKEY_CURRENT_USER, kPakmoKey);
      return k.getString("Top") == std::optional<std::string>("170") &&
             k.getString("Left") == std::optional<std::string>("230");
    }));
  }
  SaveWindowPos(300, 200);
  Program one("");
  ASSERT_NE(one.window, nullptr);
  EXPECT_EQ(one.Rect().left, 300);
  EXPECT_EQ(one.Rect().top, 200);
  Program two("");
  ASSERT_NE(two.window, nullptr);
  EXPECT_EQ(two.Rect().left, 340) << "40 to the right of the remembered position";
  EXPECT_EQ(two.Rect().top, 240);

  RECT desktop;
  GetClientRect(GetDesktopWindow(), &desktop);
  SaveWindowPos(desktop.right - 220, desktop.bottom - 100);
  Program three("");
  ASSERT_NE(three.window, nullptr);
  EXPECT_EQ(three.Rect().left, 10) << "past the right edge";
  EXPECT_EQ(three.Rect().top, 10) << "past the bottom edge";
}

TEST_F(EndToEnd, CompressThenEndFromTheResultWindow) {
  Program q(a + " " + b);
  ASSERT_NE(q.window, nullptr);
  PostMessageA(q.window, WM_COMMAND, MAKEWPARAM(IDC_COMPRESS, BN_CLICKED), 0);
  HWND save = FindTopWindow(q.Id(), "書庫ﾌｧｲﾙの名前を入力してください。");
  ASSERT_NE(save, nullptr);
  const std::string archive = ws.dir() + "e2e.lzh";
  AnswerFileDialog(save, archive);
  HWND result = FindTopWindow(q.Id(), "結果表示");
  ASSERT_NE(result, nullptr);
  const std::string report = WindowText(GetDlgItem(result, IDC_RESULT_TEXT));
  EXPECT_NE(report.find("a.txt"), std::string::npos) << report;
  EXPECT_NE(report.find("\r\n"), std::string::npos) << "lines end in CR LF in the window";
  EXPECT_TRUE(PathExists(archive));
  PostMessageA(result, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  EXPECT_TRUE(q.Ended(10000)) << "終了 ends the program";
}

}  // namespace

namespace {

// Files directly in `folder` (names only).
std::vector<std::string> filesIn(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((folder + "*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(fd.cFileName);
  } while (FindNextFileA(h, &fd));
  FindClose(h);
  return names;
}

TEST_F(EndToEnd, AGigabyteArchiveShowsProgressAndCancelLeavesNothing) {
  const std::string big = ws.dir() + "big\\one-gigabyte.bin";
  CreateDirectoryA((ws.dir() + "big").c_str(), nullptr);
  {
    HANDLE f = CreateFileA(big.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    std::string chunk(1 << 20, '\0');
    unsigned seed = 1;
    for (size_t i = 0; i < chunk.size(); i++) {
      seed = seed * 1103515245u + 12345u;
      chunk[i] = static_cast<char>(i % 3 ? 'a' + (seed >> 28) : seed >> 16);
    }
    for (int i = 0; i < 1024; i++) {
      chunk[static_cast<size_t>(i)] ^= 0x55;  // no two megabytes alike
      DWORD written = 0;
      WriteFile(f, chunk.data(), static_cast<DWORD>(chunk.size()), &written, nullptr);
    }
    CloseHandle(f);
  }
  Program q(big);
  ASSERT_NE(q.window, nullptr);
  PostMessageA(q.window, WM_COMMAND, MAKEWPARAM(IDC_COMPRESS, BN_CLICKED), 0);
  HWND save = FindTopWindow(q.Id(), "書庫ﾌｧｲﾙの名前を入力してください。");
  ASSERT_NE(save, nullptr);
  AnswerFileDialog(save, ws.dir() + "out.lzh");
  HWND progress = FindTopWindow(q.Id(), "処理中");
  ASSERT_NE(progress, nullptr) << "the library's progress window";
  HWND cancel = GetDlgItem(progress, IDCANCEL);
  ASSERT_NE(cancel, nullptr);
  EXPECT_TRUE(IsWindowEnabled(cancel));
  PostMessageA(progress, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel));
  HWND result = FindTopWindow(q.Id(), "結果表示");
  ASSERT_NE(result, nullptr);
  EXPECT_FALSE(PathExists(ws.dir() + "out.lzh")) << "a cancelled archive is not left behind";
  EXPECT_EQ(filesIn(ws.dir()), std::vector<std::string>{}) << "nor a temporary file beside it";
  PostMessageA(result, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  DeleteFileA(big.c_str());
}

}  // namespace
