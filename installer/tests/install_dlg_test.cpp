// The install dialog in process: what it shows at start, and the folder browser
// it opens (answered from a timer of the thread, inside the browser's own loop).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "install_dlg.h"

namespace {

HWND g_dialog = nullptr;
bool g_browserSeen = false;
bool g_titleSeen = false;

BOOL CALLBACK findTitle(HWND w, LPARAM) {
  char text[256] = {};
  GetWindowTextA(w, text, sizeof text);
  if (std::string(text) == "インストールフォルダの参照") g_titleSeen = true;
  return TRUE;
}

BOOL CALLBACK findBrowser(HWND w, LPARAM) {
  char cls[64] = {};
  GetClassNameA(w, cls, sizeof cls);
  if (w == g_dialog || !IsWindowVisible(w) || std::string(cls) != "#32770") return TRUE;
  g_browserSeen = true;
  EnumChildWindows(w, findTitle, 0);
  PostMessageA(w, WM_COMMAND, IDCANCEL, 0);
  return FALSE;
}

void CALLBACK onTimer(HWND, UINT, UINT_PTR, DWORD) { EnumThreadWindows(GetCurrentThreadId(), findBrowser, 0); }

std::string editText(HWND dlg) {
  char text[MAX_PATH] = {};
  GetDlgItemTextA(dlg, IDC_FOLDER, text, MAX_PATH);
  return text;
}

TEST(InstallDialog, ShowsTheDefaultFolderAndTheBrowserCancelledLeavesIt) {
  ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
  CInstallDlg dlg;
  ASSERT_TRUE(dlg.Create(nullptr));
  g_dialog = dlg.GetSafeHwnd();
  char caption[128] = {};
  GetWindowTextA(g_dialog, caption, sizeof caption);
  EXPECT_STREQ(caption, "Pakmo+Dexlor インストール");
  EXPECT_EQ(editText(g_dialog), "C:\\Program files\\Pakdex");
  EXPECT_EQ(GetFocus(), GetDlgItem(g_dialog, IDC_FOLDER));
  EXPECT_NE(SendMessageA(g_dialog, WM_GETICON, ICON_BIG, 0), 0);
  EXPECT_NE(SendMessageA(g_dialog, WM_GETICON, ICON_SMALL, 0), 0);

  SetDlgItemTextA(g_dialog, IDC_FOLDER, "D:\\Tools");
  UINT_PTR timer = SetTimer(nullptr, 0, 50, onTimer);
  SendMessageA(g_dialog, WM_COMMAND, MAKEWPARAM(IDC_BROWSE, BN_CLICKED), 0);
  KillTimer(nullptr, timer);
  EXPECT_TRUE(g_browserSeen) << "the folder browser opened";
  EXPECT_TRUE(g_titleSeen) << "with its title";
  EXPECT_EQ(editText(g_dialog), "D:\\Tools") << "cancelled: the folder is unchanged";
  dlg.DestroyWindow();
  OleUninitialize();
}

}  // namespace
