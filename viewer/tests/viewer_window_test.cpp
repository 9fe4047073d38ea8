// The main window in this process, over the real LHA library beside the test
// program: states of controls and menus, which do not cross processes under Wine.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>

#include "registry.h"
#include "scripted_viewer.h"

namespace {

std::string binFolder() { return TestBinFolder(); }

bool grayed(HMENU menu, UINT item, UINT by) { return (GetMenuState(menu, item, by) & MF_GRAYED) != 0; }
bool checked(HMENU menu, UINT id) { return (GetMenuState(menu, id, MF_BYCOMMAND) & MF_CHECKED) != 0; }

class ViewerWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    sample_ = binFolder() + "samples\\sample.lzh";
    if (GetFileAttributesA((binFolder() + "UNLHA32.DLL").c_str()) == INVALID_FILE_ATTRIBUTES ||
        GetFileAttributesA(sample_.c_str()) == INVALID_FILE_ATTRIBUTES)
      GTEST_SKIP() << "needs UNLHA32.DLL and samples\\sample.lzh beside the test";
    reg::deleteTree(HKEY_CURRENT_USER, kViewerSettingsKey);
    ViewerSettings s;
    s.hideNotice = true;  // the other libraries are absent here
    SaveViewerSettings(s);
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
  }
  void TearDown() override { reg::deleteTree(HKEY_CURRENT_USER, kViewerSettingsKey); }
  std::string sample_;
};

TEST_F(ViewerWindow, EmptyAndLoadedStatesAndTheSortMenuChecks) {
  CScriptedViewer dlg;
  bool ran = false;
  dlg.script = [&](CScriptedViewer& v) {
    ran = true;
    HMENU menu = GetMenu(v.hwnd());
    EXPECT_TRUE(grayed(menu, 1, MF_BYPOSITION)) << "the edit menu starts disabled";
    EXPECT_FALSE(grayed(menu, 0, MF_BYPOSITION));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(v.hwnd(), IDC_EXTRACT)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(v.hwnd(), IDC_SELECT_ALL)));
    EXPECT_TRUE(GetWindowLongPtrA(GetDlgItem(v.hwnd(), IDC_ENTRY_LIST), GWL_STYLE) & LVS_EDITLABELS)
        << "our library is above version 49";

    v.m_currentPath = sample_;
    v.LoadArchive();
    EXPECT_FALSE(grayed(menu, 1, MF_BYPOSITION));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(v.hwnd(), IDC_EXTRACT)));
    ASSERT_GT(v.m_rows.size(), 100u);

    v.SortByColumn(1);
    EXPECT_TRUE(checked(menu, ID_SORT_SIZE));
    EXPECT_FALSE(checked(menu, ID_SORT_NAME));
    EXPECT_TRUE(std::is_sorted(v.m_rows.begin(), v.m_rows.end(),
                               [](const EntryRow& a, const EntryRow& b) { return a.size < b.size; }));
    v.SortByColumn(1);
    EXPECT_TRUE(std::is_sorted(v.m_rows.begin(), v.m_rows.end(),
                               [](const EntryRow& a, const EntryRow& b) { return a.size > b.size; }));
    v.SortByColumn(3);
    EXPECT_TRUE(checked(menu, ID_SORT_DATE));
    EXPECT_FALSE(checked(menu, ID_SORT_SIZE));

    // Selection follows its rows through a sort.
    HWND list = GetDlgItem(v.hwnd(), IDC_ENTRY_LIST);
    LVITEMA state{};
    state.stateMask = LVIS_SELECTED;
    state.state = LVIS_SELECTED;
    SendMessageA(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&state));
    std::string chosen = v.m_rows[0].name;
    EXPECT_EQ(v.SelectedNameList(), " \"" + chosen + "\"");
    v.SortByColumn(0);
    EXPECT_EQ(v.SelectedNameList(), " \"" + chosen + "\"");

    // The keyboard filter: Enter is swallowed, except while a label is edited.
    MSG enter{list, WM_KEYDOWN, VK_RETURN, 0, 0, {}};
    EXPECT_TRUE(v.PreTranslateMessage(&enter));
    v.m_editingLabel = true;
    EXPECT_FALSE(v.PreTranslateMessage(&enter));
    MSG ctrlA{list, WM_KEYDOWN, 'A', 0, 0, {}};
    EXPECT_FALSE(v.PreTranslateMessage(&ctrlA)) << "no accelerators while renaming";
    v.m_editingLabel = false;

    // An unrecognised file: the empty state again.
    v.m_currentPath = binFolder() + "viewer_test.exe";
    v.LoadArchive();
    EXPECT_TRUE(grayed(menu, 1, MF_BYPOSITION));
    EXPECT_EQ(v.m_rows.size(), 0u);
  };
  dlg.DoModal(nullptr);
  EXPECT_TRUE(ran);
  reg::Key k = reg::Key::open(HKEY_CURRENT_USER, kViewerSettingsKey);
  EXPECT_TRUE(k.getString("Col3").has_value()) << "settings are written when the window goes";
}

}  // namespace
