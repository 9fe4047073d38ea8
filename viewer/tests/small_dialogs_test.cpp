// The small dialogs on real windows from the program's own resources.
#include "small_dialogs.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

namespace {

// Runs `act` once the dialog is up (from a timer of the modal loop's thread).
std::function<void(HWND)> g_act;
void CALLBACK onTimer(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  HWND dlg = GetActiveWindow();
  if (g_act) g_act(dlg);
}
INT_PTR runWith(CDialog& dlg, std::function<void(HWND)> act, HWND owner = nullptr) {
  g_act = std::move(act);
  SetTimer(nullptr, 0, 50, onTimer);
  return dlg.DoModal(owner);
}

POINT centre(HWND w) {
  RECT r;
  GetWindowRect(w, &r);
  return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

std::string text(HWND dlg, int id) {
  char buf[4096] = {};
  GetDlgItemTextA(dlg, id, buf, sizeof buf);
  return buf;
}

TEST(SmallDialogs, ResultShowsOneLinePerLineFeedAndOkContinues) {
  EXPECT_EQ(CResultDlg::WithCrLf("a\nソ\nb"), "a\r\nソ\r\nb");
  EXPECT_EQ(CResultDlg::WithCrLf("\x81\x5C\n"), "\x81\x5C\r\n") << "a lead byte takes its trail byte with it";
  EXPECT_EQ(CResultDlg::WithCrLf("\x81\n"), "\x81\r\n") << "a line feed is no trail byte: the line still ends";
  CResultDlg dlg;
  dlg.m_text = "一行目\n二行目\n";
  int lines = 0;
  std::string caption;
  DWORD selStart = 99, selEnd = 99;
  bool editFocused = false;
  INT_PTR r = runWith(dlg, [&](HWND h) {
    lines = static_cast<int>(SendDlgItemMessageA(h, IDC_TEXT, EM_GETLINECOUNT, 0, 0));
    SendDlgItemMessageA(h, IDC_TEXT, EM_GETSEL, reinterpret_cast<WPARAM>(&selStart), reinterpret_cast<LPARAM>(&selEnd));
    editFocused = GetFocus() == GetDlgItem(h, IDC_TEXT);
    char c[64] = {};
    GetWindowTextA(h, c, sizeof c);
    caption = c;
    PostMessageA(h, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  });
  EXPECT_EQ(r, IDOK);
  EXPECT_EQ(lines, 3);
  EXPECT_EQ(caption, "結果表示");
  EXPECT_TRUE(editFocused) << "the report takes the keys, to scroll it";
  EXPECT_EQ(selStart, 0u) << "caret at the start";
  EXPECT_EQ(selEnd, 0u) << "nothing selected";
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "OK does not end the program";
}

TEST(SmallDialogs, ResultEscapeEndsTheProgram) {
  CResultDlg dlg;
  INT_PTR r = runWith(dlg, [](HWND h) { PostMessageA(GetDlgItem(h, IDC_TEXT), WM_KEYDOWN, VK_ESCAPE, 0); });
  EXPECT_EQ(r, IDCANCEL);
  MSG msg;
  EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST(SmallDialogs, NoticeKeepsTheBoxOnlyWithOk) {
  CNoticeDlg ok;
  ok.m_text = "Ver0.65 以上の CAB32.DLL が必要です\r\n";
  std::string shown;
  EXPECT_EQ(runWith(ok, [&](HWND h) {
              shown = text(h, IDC_TEXT);
              CheckDlgButton(h, IDC_HIDE_NOTICE, BST_CHECKED);
              PostMessageA(h, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            }),
            IDOK);
  EXPECT_EQ(shown, ok.m_text);
  EXPECT_EQ(ok.m_hide, 1);
  CNoticeDlg esc;
  runWith(esc, [](HWND h) {
    CheckDlgButton(h, IDC_HIDE_NOTICE, BST_CHECKED);
    PostMessageA(h, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  });
  EXPECT_EQ(esc.m_hide, 0);
}

TEST(SmallDialogs, SfxKindStartsOnWindows95AndReportsTheChoice) {
  CSfxKindDlg first;
  EXPECT_EQ(runWith(first, [](HWND h) { PostMessageA(h, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); }), IDOK);
  EXPECT_EQ(first.m_kind, 1);
  CSfxKindDlg dos;
  runWith(dos, [](HWND h) {
    SendMessageA(GetDlgItem(h, IDC_SFX_DOS), BM_CLICK, 0, 0);
    PostMessageA(h, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  });
  EXPECT_EQ(dos.m_kind, 3);
  CSfxKindDlg cancel;
  EXPECT_EQ(runWith(cancel, [](HWND h) { PostMessageA(h, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); }), IDCANCEL);
}

TEST(SmallDialogs, AboutNamesEachLibraryWithItsVersionOrDisabledWhenAbsent) {
  EXPECT_EQ(CAboutDlg::VersionLine("UNLHA32.DLL", 142), "UNLHA32.DLL Ver1.42");
  EXPECT_EQ(CAboutDlg::VersionLine("CAB32.DLL", 105), "CAB32.DLL Ver1.05");
  EXPECT_EQ(CAboutDlg::VersionLine("TAR32.DLL", 305), "TAR32.DLL Ver3.05");
  EXPECT_EQ(CAboutDlg::VersionLine("UNZIP32.DLL", 540), "UNZIP32.DLL Ver5.40");
  // Each library beside the test is named with its own version; one that is
  // missing is named, disabled (UNZIP32.DLL is built beside the test).
  const struct {
    int id;
    const char* file;
    const char* function;
  } libs[] = {{IDC_LIB_LHA, "UNLHA32.DLL", "UnlhaGetVersion"},
              {IDC_LIB_CAB, "CAB32.DLL", "CabGetVersion"},
              {IDC_LIB_TAR, "TAR32.DLL", "TarGetVersion"},
              {IDC_LIB_ZIP, "UNZIP32.DLL", "UnZipGetVersion"}};
  CAboutDlg dlg;
  dlg.m_viewerPath = "notepad";
  bool enabled[4] = {};
  std::string shown[4];
  runWith(dlg, [&](HWND h) {
    for (int i = 0; i < 4; ++i) {
      enabled[i] = IsWindowEnabled(GetDlgItem(h, libs[i].id));
      shown[i] = text(h, libs[i].id);
    }
    PostMessageA(h, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  });
  for (int i = 0; i < 4; ++i) {
    HMODULE m = LoadLibraryA(libs[i].file);
    auto version = m ? reinterpret_cast<WORD(WINAPI*)()>(GetProcAddress(m, libs[i].function)) : nullptr;
    if (version) {
      EXPECT_TRUE(enabled[i]) << libs[i].file;
      EXPECT_EQ(shown[i], CAboutDlg::VersionLine(libs[i].file, version())) << libs[i].file;
    } else {
      EXPECT_FALSE(enabled[i]) << libs[i].file;
      EXPECT_EQ(shown[i], libs[i].file);
    }
    if (libs[i].id == IDC_LIB_ZIP) EXPECT_NE(version, nullptr) << "UNZIP32.DLL is built beside the test";
    if (m) FreeLibrary(m);
  }
}

TEST(SmallDialogs, EachOpensCentredOverItsOwner) {
  HWND owner = CreateWindowExA(0, "Static", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 60, 700, 500, nullptr,
                               nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(owner, nullptr);
  const POINT want = centre(owner);
  CAboutDlg about;
  about.m_viewerPath = "notepad";
  CResultDlg result;
  CNoticeDlg notice;
  CSfxKindDlg kind;
  for (CDialog* dlg : std::initializer_list<CDialog*>{&about, &result, &notice, &kind}) {
    POINT got{};
    runWith(*dlg, [&](HWND h) {
      got = centre(h);
      PostMessageA(h, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    }, owner);
    EXPECT_LE(std::abs(got.x - want.x), 1) << dlg->TemplateId();
    EXPECT_LE(std::abs(got.y - want.y), 1) << dlg->TemplateId();
  }
  DestroyWindow(owner);
}

}  // namespace
