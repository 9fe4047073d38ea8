// The folder chooser on real windows, over the shell namespace of the test prefix.
#include "folder_tree_dlg.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "sjis.h"
#include "test_files.h"

namespace {

// Runs its steps one per timer tick inside the dialog's own modal loop, so that
// keys posted by one step pass the dialog's pre-translation before the next.
class CScriptedTree : public CFolderTreeDlg {
 public:
  std::vector<std::function<void(CScriptedTree&)>> steps;
  size_t stepsRun = 0;
  HWND hwnd() const { return m_hWnd; }
  HWND tree() const { return m_tree; }
  HTREEITEM selection() const { return TreeView_GetSelection(m_tree); }
  std::string pathBox() const { return GetDlgItemText(IDC_FOLDER_PATH); }
  HTREEITEM root() const { return TreeView_GetRoot(m_tree); }
  HTREEITEM child(HTREEITEM parent, const std::string& text) const {
    for (HTREEITEM c = TreeView_GetChild(m_tree, parent); c; c = TreeView_GetNextSibling(m_tree, c))
      if (sjis::equalNoCase(ItemText(c), text)) return c;
    return nullptr;
  }
  int rootsDeleted = 0;  // one per rebuild of a tree that had a root
  bool checked(int id) const { return IsDlgButtonChecked(m_hWnd, id) == BST_CHECKED; }
  void click(int id) const {
    SendMessageA(m_hWnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(id)));
  }

 protected:
  BOOL OnInitDialog() override {
    BOOL r = CFolderTreeDlg::OnInitDialog();
    SetTimer(m_hWnd, kStepTimer, 120, nullptr);
    return r;
  }
  bool ProcessMessage(UINT msg, WPARAM w, LPARAM l, LRESULT& result) override {
    if (msg == WM_TIMER && w == kStepTimer) {
      if (stepsRun < steps.size()) {
        steps[stepsRun++](*this);
      } else {
        KillTimer(m_hWnd, kStepTimer);
        EndDialog(IDCANCEL);
      }
      return true;
    }
    if (msg == WM_NOTIFY && reinterpret_cast<NMHDR*>(l)->code == TVN_DELETEITEMA &&
        reinterpret_cast<NMTREEVIEWA*>(l)->itemOld.lParam == 0)
      rootsDeleted++;
    return CFolderTreeDlg::ProcessMessage(msg, w, l, result);
  }

 private:
  static constexpr UINT_PTR kStepTimer = 78;
};

bool IsFolder(const std::string& path) {
  DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

class FolderTree : public ::testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TREEVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    OleInitialize(nullptr);
    char t[MAX_PATH], longPath[MAX_PATH];
    GetTempPathA(MAX_PATH, t);
    GetLongPathNameA(t, longPath, MAX_PATH);
    base_ = longPath;
    sjis::addBackslash(base_);
    base_ += "folder-tree-" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(base_.c_str(), nullptr);
  }
  void TearDown() override { RemoveTree(base_); }

  std::string folder(const std::string& name) {
    std::string p = base_ + name;
    CreateDirectoryA(p.c_str(), nullptr);
    return p;
  }

  std::string base_;  // ends in a backslash
};

}  // namespace

TEST_F(FolderTree, TheInitialFolderIsFoundInOtherCaseAndWithoutItsBackslash) {
  folder("Outer");
  std::string inner = folder("Outer\\Inner表");
  CScriptedTree dlg;
  dlg.m_mode = CFolderTreeDlg::kModeExtract;
  dlg.m_initialFolder = sjis::toUpper(inner);  // no trailing backslash
  std::string shown, selectedText;
  dlg.steps.push_back([&](CScriptedTree& d) {
    shown = d.pathBox();
    selectedText = d.ItemText(d.selection());
  });
  EXPECT_EQ(dlg.DoModal(nullptr), IDCANCEL);
  EXPECT_TRUE(sjis::equalNoCase(shown, inner)) << shown;
  EXPECT_EQ(selectedText, "Inner表");
  EXPECT_EQ(dlg.GetPath(), "") << "nothing is chosen on cancel";
}

TEST_F(FolderTree, WithoutAnInitialFolderOnlyTheDesktopOpensAndOkNeedsASelection) {
  CScriptedTree dlg;
  dlg.m_mode = CFolderTreeDlg::kModeExtract;
  bool stillOpen = false, rootExpanded = false;
  std::string focusSelected, drives;
  dlg.steps.push_back([&](CScriptedTree& d) {
    // The tree control itself selects its first item when it takes the focus.
    focusSelected = d.ItemText(d.selection());
    rootExpanded = TreeView_GetItemState(d.tree(), d.root(), TVIS_EXPANDED) & TVIS_EXPANDED;
    TreeView_SelectItem(d.tree(), nullptr);
    PostMessageA(d.hwnd(), WM_COMMAND, IDOK, 0);
  });
  dlg.steps.push_back([&](CScriptedTree& d) {
    stillOpen = IsWindowVisible(d.hwnd());
    // The first child of the desktop is the computer: its drives show as their roots.
    HTREEITEM computer = TreeView_GetChild(d.tree(), d.root());
    TreeView_Expand(d.tree(), computer, TVE_EXPAND);
    for (HTREEITEM c = TreeView_GetChild(d.tree(), computer); c; c = TreeView_GetNextSibling(d.tree(), c))
      drives += d.ItemText(c) + "|";
  });
  dlg.DoModal(nullptr);
  EXPECT_TRUE(rootExpanded);
  EXPECT_EQ(focusSelected, dlg.m_desktopName) << "no folder of the walk is selected";
  EXPECT_TRUE(stillOpen) << "OK without a selection does nothing";
  EXPECT_EQ(dlg.GetPath(), "");
  EXPECT_NE(drives.find("C:\\|"), std::string::npos) << drives;
}

TEST_F(FolderTree, OkOnTheDesktopGivesItsFolderAndOnTheComputerIsRefused) {
  CScriptedTree refused;
  refused.m_mode = CFolderTreeDlg::kModeExtract;
  bool stillOpen = false;
  refused.steps.push_back([&](CScriptedTree& d) {
    TreeView_SelectItem(d.tree(), TreeView_GetChild(d.tree(), d.root()));
    EXPECT_EQ(d.pathBox(), "") << "a virtual folder has no path";
    d.click(IDC_FOLDER_ACCEPT);
  });
  refused.steps.push_back([&](CScriptedTree& d) { stillOpen = IsWindowVisible(d.hwnd()); });
  refused.DoModal(nullptr);
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(refused.GetPath(), "");

  CScriptedTree desktop;
  desktop.m_mode = CFolderTreeDlg::kModeExtract;
  desktop.steps.push_back([&](CScriptedTree& d) {
    TreeView_SelectItem(d.tree(), d.root());
    d.click(IDC_FOLDER_ACCEPT);
  });
  EXPECT_EQ(desktop.DoModal(nullptr), IDOK);
  EXPECT_EQ(desktop.GetPath(), desktop.m_desktopDir);
  EXPECT_EQ(desktop.GetPath(), sjis::toLower(desktop.GetPath())) << "lower case";
  EXPECT_EQ(desktop.m_useFolders, 1) << "folders are on by default";
  EXPECT_EQ(desktop.m_overwriteAll, 0);
}

TEST_F(FolderTree, TheDateBoxFollowsOverwriteAllAndTheOptionsAreReturned) {
  std::string target = folder("target");
  CScriptedTree dlg;
  dlg.m_mode = CFolderTreeDlg::kModeExtract;
  dlg.m_initialFolder = target;
  dlg.steps.push_back([&](CScriptedTree& d) {
    EXPECT_TRUE(d.checked(IDC_USE_FOLDERS));
    EXPECT_FALSE(d.checked(IDC_OVERWRITE_ALL));
    EXPECT_FALSE(IsWindowEnabled(d.GetDlgItem(IDC_IGNORE_DATE)));
    CheckDlgButton(d.hwnd(), IDC_OVERWRITE_ALL, BST_CHECKED);
    d.click(IDC_OVERWRITE_ALL);
    EXPECT_TRUE(IsWindowEnabled(d.GetDlgItem(IDC_IGNORE_DATE)));
    CheckDlgButton(d.hwnd(), IDC_IGNORE_DATE, BST_CHECKED);
    CheckDlgButton(d.hwnd(), IDC_OVERWRITE_ALL, BST_UNCHECKED);
    d.click(IDC_OVERWRITE_ALL);
    EXPECT_FALSE(IsWindowEnabled(d.GetDlgItem(IDC_IGNORE_DATE)));
    EXPECT_FALSE(d.checked(IDC_IGNORE_DATE)) << "unchecking overwrite-all unchecks the date box";
    CheckDlgButton(d.hwnd(), IDC_OVERWRITE_ALL, BST_CHECKED);
    d.click(IDC_OVERWRITE_ALL);
    CheckDlgButton(d.hwnd(), IDC_IGNORE_DATE, BST_CHECKED);
    CheckDlgButton(d.hwnd(), IDC_USE_FOLDERS, BST_UNCHECKED);
    PostMessageA(d.hwnd(), WM_COMMAND, IDOK, 0);  // Enter
  });
  EXPECT_EQ(dlg.DoModal(nullptr), IDOK);
  EXPECT_TRUE(sjis::equalNoCase(dlg.GetPath(), target)) << dlg.GetPath();
  EXPECT_FALSE(sjis::endsWithBackslash(dlg.GetPath()));
  EXPECT_EQ(dlg.m_useFolders, 0);
  EXPECT_EQ(dlg.m_overwriteAll, 1);
  EXPECT_EQ(dlg.m_ignoreDate, 1);
}

TEST_F(FolderTree, CreationModeHidesTheOptions) {
  CScriptedTree dlg;
  dlg.m_mode = CFolderTreeDlg::kModeCreate;
  std::string caption, button;
  bool anyShown = true;
  dlg.steps.push_back([&](CScriptedTree& d) {
    char c[256] = {};
    GetWindowTextA(d.hwnd(), c, sizeof c);
    caption = c;
    button = d.GetDlgItemText(IDC_FOLDER_ACCEPT);
    anyShown = IsWindowVisible(d.GetDlgItem(IDC_USE_FOLDERS)) || IsWindowVisible(d.GetDlgItem(IDC_OVERWRITE_ALL)) ||
               IsWindowVisible(d.GetDlgItem(IDC_IGNORE_DATE));
  });
  dlg.DoModal(nullptr);
  EXPECT_EQ(caption, "Dexlor - 作成先のﾌｫﾙﾀﾞを指定してください。");
  EXPECT_EQ(button, "作成");
  EXPECT_FALSE(anyShown);
}

TEST_F(FolderTree, ANewFolderTakesTheFirstFreeNumberAndIsNamedInPlace) {
  std::string parent = folder("parent");
  folder("parent\\新しいﾌｫﾙﾀﾞ");
  HANDLE f = CreateFileA((parent + "\\新しいﾌｫﾙﾀﾞ(2)").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  CloseHandle(f);  // a file of that name takes the number too
  CScriptedTree dlg;
  dlg.m_mode = CFolderTreeDlg::kModeExtract;
  dlg.m_initialFolder = parent;
  bool editing = false, stillOpen = false;
  std::string selectedAfter;
  dlg.steps.push_back([&](CScriptedTree& d) { d.click(IDC_NEW_FOLDER); });
  dlg.steps.push_back([&](CScriptedTree& d) {
    HWND edit = TreeView_GetEditControl(d.tree());
    editing = edit && d.m_editingLabel == 1;
    if (!edit) return;
    SetWindowTextA(edit, "名前付き");
    PostMessageA(edit, WM_KEYDOWN, VK_RETURN, 0);  // through the dialog's loop: commits, does not accept
  });
  dlg.steps.push_back([&](CScriptedTree&) {});  // the posted rebuild
  dlg.steps.push_back([&](CScriptedTree& d) {
    stillOpen = IsWindowVisible(d.hwnd());
    selectedAfter = d.pathBox();
  });
  dlg.DoModal(nullptr);
  EXPECT_TRUE(editing) << "the new folder's name is edited at once";
  EXPECT_TRUE(stillOpen) << "Enter while naming keeps the dialog";
  EXPECT_FALSE(IsFolder(parent + "\\新しいﾌｫﾙﾀﾞ(3)")) << "renamed";
  EXPECT_TRUE(IsFolder(parent + "\\名前付き"));
  EXPECT_TRUE(sjis::equalNoCase(selectedAfter, parent + "\\名前付き")) << selectedAfter;
  EXPECT_EQ(dlg.m_editingLabel, 0);
}

TEST_F(FolderTree, EscapeWhileNamingCancelsTheNameNotTheDialog) {
  std::string old = folder("keep");
  CScriptedTree dlg;
  dlg.m_mode = CFolderTreeDlg::kModeExtract;
  dlg.m_initialFolder = old;
  bool stillOpen = false;
  dlg.steps.push_back([&](CScriptedTree& d) {
    HWND edit = TreeView_EditLabel(d.tree(), d.selection());
    ASSERT_NE(edit, nullptr);
    SetWindowTextA(edit, "changed");
    PostMessageA(edit, WM_KEYDOWN, VK_ESCAPE, 0);
  });
  dlg.steps.push_back([&](CScriptedTree& d) {
    stillOpen = IsWindowVisible(d.hwnd());
    EXPECT_EQ(TreeView_GetEditControl(d.tree()), nullptr) << "the editor is gone";
    // Neither the desktop nor the computer can be renamed.
    EXPECT_EQ(TreeView_EditLabel(d.tree(), d.root()), nullptr);
    EXPECT_EQ(TreeView_EditLabel(d.tree(), TreeView_GetChild(d.tree(), d.root())), nullptr);
  });
  dlg.DoModal(nullptr);
  EXPECT_TRUE(stillOpen);
  EXPECT_TRUE(IsFolder(old));
  EXPECT_FALSE(IsFolder(base_ + "changed"));
}

TEST_F(FolderTree, NoNewFolderWhenEveryNumberIsTaken) {
  std::string full = folder("full");
  folder("full\\新しいﾌｫﾙﾀﾞ");
  for (int n = 2; n <= 199; n++) folder("full\\新しいﾌｫﾙﾀﾞ(" + std::to_string(n) + ")");
  CScriptedTree dlg;
  dlg.m_mode = CFolderTreeDlg::kModeExtract;
  dlg.m_initialFolder = full;
  dlg.steps.push_back([&](CScriptedTree& d) { d.click(IDC_NEW_FOLDER); });
  dlg.DoModal(nullptr);
  EXPECT_FALSE(IsFolder(full + "\\新しいﾌｫﾙﾀﾞ(200)"));
  int count = 0;
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((full + "\\*").c_str(), &fd);
  do count += fd.cFileName[0] != '.';
  while (FindNextFileA(h, &fd));
  FindClose(h);
  EXPECT_EQ(count, 199);
}

TEST_F(FolderTree, RefreshRereadsTheDiskAndKeepsTheSelection) {
  std::string top = folder("top");
  CScriptedTree dlg;
  dlg.m_mode = CFolderTreeDlg::kModeExtract;
  dlg.m_initialFolder = top;
  bool before = true, after = false;
  std::string selected;
  dlg.steps.push_back([&](CScriptedTree& d) {
    TreeView_Expand(d.tree(), d.selection(), TVE_EXPAND);
    before = d.child(d.selection(), "late") != nullptr;
    CreateDirectoryA((top + "\\late").c_str(), nullptr);
    SendMessageA(d.hwnd(), WM_COMMAND, ID_FOLDER_REFRESH, 0);
    selected = d.pathBox();
    TreeView_Expand(d.tree(), d.selection(), TVE_EXPAND);
    after = d.child(d.selection(), "late") != nullptr;
  });
  dlg.DoModal(nullptr);
  EXPECT_FALSE(before);
  EXPECT_TRUE(after);
  EXPECT_TRUE(sjis::equalNoCase(selected, top)) << selected;
}

TEST_F(FolderTree, ANewFolderTheWalkCannotReachIsMadeButRebuildsAreBounded) {
  // The desktop's folder stands in a hidden folder here, which the tree never lists.
  std::string hidden = folder("hidden");
  SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN);
  CScriptedTree dlg;
  dlg.m_mode = CFolderTreeDlg::kModeExtract;
  dlg.m_desktopDir = sjis::toLower(hidden);
  int rebuilds = -1;
  bool editing = true;
  dlg.steps.push_back([&](CScriptedTree& d) {
    TreeView_SelectItem(d.tree(), d.root());
    d.rootsDeleted = 0;
    d.click(IDC_NEW_FOLDER);
    rebuilds = d.rootsDeleted;
    editing = TreeView_GetEditControl(d.tree()) != nullptr;
  });
  dlg.DoModal(nullptr);
  EXPECT_EQ(rebuilds, CFolderTreeDlg::kNewFolderRebuilds);
  EXPECT_FALSE(editing) << "nothing selected, nothing to name";
  EXPECT_TRUE(IsFolder(hidden + "\\新しいﾌｫﾙﾀﾞ")) << "the folder is made all the same";
}
