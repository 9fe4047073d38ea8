// Delete, rename, open and view from the main window over the real LHA library,
// and the work-folder files that open and view leave until the next load or exit.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "lha_workspace.h"
#include "modal_script.h"
#include "sjis.h"

namespace {

class EntryOperations : public LhaWorkspace {
 protected:
  void SetUp() override { SetUpWorkspace("dexlor-entries"); }

  // An archive of x\same.zzq and y\same.zzq with different contents.
  std::string SameNames() {
    std::string dir = work_ + "same\\";
    for (const std::string& d : {dir, dir + "x\\", dir + "y\\"}) CreateDirectoryA(d.c_str(), nullptr);
    WriteFile(dir + "x\\same.zzq", "from x");
    WriteFile(dir + "y\\same.zzq", "from y");
    std::string archive = work_ + "same.lzh";
    Lha("a -x1 -r2 \"" + archive + "\" \"" + dir + "\" *.*");
    return archive;
  }
};

std::vector<std::string> Names(const CScriptedViewer& v) {
  std::vector<std::string> names;
  for (const EntryRow& r : v.m_rows) names.push_back(r.name);
  return names;
}

}  // namespace

TEST_F(EntryOperations, DeleteAsksAndCancelChangesNothing) {
  std::string before = ReadFile(archive_);
  WithViewer(archive_, [&](CScriptedViewer& v) {
    SelectRows(v.list(), {RowOf(v, "a.txt")});
    std::string question;
    ModalScript script;
    script.then("Dexlor", [&](HWND h) {
      question = TextOf(GetDlgItem(h, 0xFFFF));
      Click(h, IDCANCEL);
    });
    script.run([&] { SendMessageA(v.hwnd(), WM_COMMAND, ID_EDIT_CLEAR, 0); });
    EXPECT_TRUE(script.allDone());
    EXPECT_TRUE(script.unexpected.empty()) << "no result window after a cancel";
    EXPECT_EQ(question, "削除してもよろしいですか？");
    EXPECT_EQ(v.m_rows.size(), 3u) << "reloaded, all still there";
  });
  EXPECT_EQ(ReadFile(archive_), before) << "the archive is untouched";
}

TEST_F(EntryOperations, DeleteWithConfirmationReportsAndReloads) {
  WithViewer(archive_, [&](CScriptedViewer& v) {
    SelectRows(v.list(), {RowOf(v, "a.txt"), RowOf(v, "sub\\表\\c.txt")});
    std::string report;
    ModalScript script;
    script.then("Dexlor", [](HWND h) { Click(h, IDOK); }).then("結果表示", [&](HWND h) {
      report = ItemText(h, 1003);
      Click(h, IDOK);
    });
    script.run([&] { SendMessageA(v.hwnd(), WM_COMMAND, ID_EDIT_CLEAR, 0); });
    EXPECT_TRUE(script.allDone()) << script.stepsDone();
    EXPECT_NE(report.find("a.txt"), std::string::npos) << report;
    EXPECT_EQ(Names(v), std::vector<std::string>{"sub\\b.txt"});
  });
}

TEST_F(EntryOperations, RenameInPlaceRenamesTheEntryAndReloads) {
  WithViewer(archive_, [&](CScriptedViewer& v) {
    int row = RowOf(v, "a.txt");
    SelectRows(v.list(), {row});
    SendMessageA(v.hwnd(), WM_COMMAND, ID_RENAME_ENTRY, 0);
    HWND edit = reinterpret_cast<HWND>(SendMessageA(v.list(), LVM_GETEDITCONTROL, 0, 0));
    ASSERT_NE(edit, nullptr) << "an editor opens on the row";
    EXPECT_TRUE(v.m_editingLabel);
    SetWindowTextA(edit, "改名.txt");
    SendMessageA(edit, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_FALSE(v.m_editingLabel);
    std::vector<std::string> names = Names(v);
    EXPECT_NE(std::find(names.begin(), names.end(), "改名.txt"), names.end());
    EXPECT_EQ(std::find(names.begin(), names.end(), "a.txt"), names.end());
    EXPECT_EQ(v.m_rows.size(), 3u);

    // Escape leaves the entry as it is.
    row = RowOf(v, "sub\\b.txt");
    SelectRows(v.list(), {row});
    SendMessageA(v.hwnd(), WM_COMMAND, ID_RENAME_ENTRY, 0);
    edit = reinterpret_cast<HWND>(SendMessageA(v.list(), LVM_GETEDITCONTROL, 0, 0));
    ASSERT_NE(edit, nullptr);
    SetWindowTextA(edit, "never.txt");
    SendMessageA(edit, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_GE(RowOf(v, "sub\\b.txt"), 0);
    EXPECT_LT(RowOf(v, "never.txt"), 0);
  });
}

TEST_F(EntryOperations, ViewingTwoSameNamedEntriesUsesOneWorkFileUntilTheNextLoad) {
  std::string archive = SameNames();
  std::string log = work_ + "viewer.log";
  SetEnvironmentVariableA("RECORD_OPEN_LOG", log.c_str());
  std::string workFile;
  WithViewer(archive, [&](CScriptedViewer& v) {
    ASSERT_EQ(v.m_rows.size(), 2u);
    v.m_settings.viewerPath = TestBinFolder() + "record_open.exe";
    // A work folder with a blank, as under a user name with one.
    const std::string blank = work_ + "my temp\\";
    ASSERT_TRUE(CreateDirectoryA(blank.c_str(), nullptr));
    v.m_archives.SetWorkFolder(blank);
    SendMessageA(v.hwnd(), WM_COMMAND, IDC_SELECT_ALL, 0);
    SendMessageA(v.hwnd(), WM_COMMAND, ID_VIEW_ENTRY, 0);
    workFile = v.m_archives.WorkFolder() + "same.zzq";
    EXPECT_EQ(v.m_tempFiles, (std::vector<std::string>{"same.zzq", "same.zzq"}));
    EXPECT_TRUE(PathExists(workFile));
    // Both viewers were handed the same path; wait for them to have written.
    std::string logged;
    for (int i = 0; i < 100; i++, Sleep(50)) {
      logged = ReadFile(log);
      if (std::count(logged.begin(), logged.end(), '\n') >= 2) break;
    }
    EXPECT_EQ(std::count(logged.begin(), logged.end(), '\n'), 2) << logged;
    EXPECT_NE(logged.find("1\t" + workFile + "\t"), std::string::npos) << "the path, one argument: " << logged;

    v.m_currentPath = archive_;
    v.LoadArchive();
    EXPECT_FALSE(PathExists(workFile)) << "loading another archive deletes the work files";
    EXPECT_TRUE(v.m_tempFiles.empty());
  });
  SetEnvironmentVariableA("RECORD_OPEN_LOG", nullptr);
}

TEST_F(EntryOperations, OpeningAnUnassociatedTypeNamesTheFileAndExitClearsTheWorkFolder) {
  std::string archive = SameNames();
  std::string workFile;
  std::vector<std::string> messages;
  WithViewer(archive, [&](CScriptedViewer& v) {
    SendMessageA(v.hwnd(), WM_COMMAND, IDC_SELECT_ALL, 0);
    ModalScript script;
    for (int i = 0; i < 2; i++)
      script.then("Dexlor", [&](HWND h) {
        messages.push_back(TextOf(GetDlgItem(h, 0xFFFF)));
        Click(h, IDOK);
      });
    script.run([&] { SendMessageA(v.hwnd(), WM_COMMAND, ID_OPEN_ENTRY, 0); });
    workFile = v.m_archives.WorkFolder() + "same.zzq";
    EXPECT_EQ(ReadFile(workFile), "from y") << "the second entry was extracted just before its turn";
    EXPECT_TRUE(script.unexpected.empty());
    SendMessageA(v.hwnd(), WM_COMMAND, ID_APP_EXIT, 0);
  });
  EXPECT_EQ(messages, (std::vector<std::string>{"関連付けされていません。(same.zzq)", "関連付けされていません。(same.zzq)"}));
  EXPECT_FALSE(PathExists(workFile)) << "exit deletes the work files";
}
