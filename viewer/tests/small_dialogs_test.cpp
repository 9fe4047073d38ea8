// The small dialogs on real windows from the program's own resources.
#include "small_dialogs.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>

namespace {

// Runs `act` once the dialog is up (from a timer of the modal loop's thread).
std::function<void(HWND)> g_act;
void CALLBACK onTimer(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  HWND dlg = GetActiveWindow();
  if (g_act) g_act(dlg);
}
INT_PTR runWith(CDialog& dlg, std::function<void(HWND)> act) {
  g_act = std::move(act);
  SetTimer(nullptr, 0, 50, onTimer);
  return dlg.DoModal(nullptr);
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
  INT_PTR r = runWith(dlg, [&](HWND h) {
    lines = static_cast<int>(SendDlgItemMessageA(h, IDC_TEXT, EM_GETLINECOUNT, 0, 0));
    char c[64] = {};
    GetWindowTextA(h, c, sizeof c);
    caption = c;
    PostMessageA(h, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  });
  EXPECT_EQ(r, IDOK);
  EXPECT_EQ(lines, 3);
  EXPECT_EQ(caption, "結果表示");
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

TEST(SmallDialogs, AboutShowsAbsentLibrariesDisabledWithTheirNames) {
  EXPECT_EQ(CAboutDlg::VersionLine("UNLHA32.DLL", 142), "UNLHA32.DLL Ver1.42");
  EXPECT_EQ(CAboutDlg::VersionLine("CAB32.DLL", 105), "CAB32.DLL Ver1.5");
  CAboutDlg dlg;
  dlg.m_viewerPath = "notepad";
  bool zipEnabled = true;
  std::string zipText;
  runWith(dlg, [&](HWND h) {
    zipEnabled = IsWindowEnabled(GetDlgItem(h, IDC_LIB_ZIP));
    zipText = text(h, IDC_LIB_ZIP);
    PostMessageA(h, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  });
  // No UNZIP32.DLL is beside the test program.
  EXPECT_FALSE(zipEnabled);
  EXPECT_EQ(zipText, "UNZIP32.DLL");
}

}  // namespace
