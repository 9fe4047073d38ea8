// Compressing through the real window: the options set as a user sets them,
// the archive named in the real save dialog, and what reaches a recording
// library (command line, current folder, owner window) and comes back.
#include <windows.h>

#include <gtest/gtest.h>

#include "creator_fixture.h"
#include "test_files.h"

namespace {

const char kLhaTitle[] = "書庫ﾌｧｲﾙの名前を入力してください。";
const char kCabTitle[] = "ｷｬﾋﾞﾈｯﾄﾌｧｲﾙの名前を入力してください。";
const char kTgzTitle[] = "tar.gzﾌｧｲﾙの名前を入力してください。";
const char kTbzTitle[] = "tar.bz2ﾌｧｲﾙの名前を入力してください。";
const char kTarTitle[] = "Tarﾌｧｲﾙの名前を入力してください。";
const char kWarning[] = "この形式は互換性に問題があり、正常に解凍できないことがあります。";

class Compress : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* lib : {"UNLHA32", "CAB32", "TAR32"})
      ws.useLibrary(std::string("..\\archive-tests\\min\\") + lib + ".DLL", std::string(lib) + ".DLL");
    data = ws.folder("data");
    out = ws.folder("out");
    a = ws.write("data\\a.txt", "a");
    b = ws.write("data\\b.txt", "b");
  }
  // The one command the last compress sent, and the folder it ran in.
  std::string command() const {
    auto c = ws.callsOf(".Command ");
    return c.size() == 1 ? c[0].substr(c[0].find("Command ") + 8) : "<" + std::to_string(c.size()) + " commands>";
  }
  std::string folderOfCall() const {
    auto c = ws.callsOf(".Folder ");
    return c.size() == 1 ? c[0].substr(c[0].find("Folder ") + 7) : "<" + std::to_string(c.size()) + " calls>";
  }
  Workspace ws;
  std::string data, out, a, b;
};

TEST_F(Compress, TheSevenCommandLinesFromTheWindow) {
  CScriptedCreator dlg({b, a});
  bool ran = false;
  dlg.script = [&](CScriptedCreator& d) {
    ran = true;
    const std::string before = ws.folder("park");
    d.parkIn = before;
    const std::string tail = "  \"a.txt\" \"b.txt\"";
    auto run = [&](const char* title, const std::string& name, const std::string& expected, const char* prefix) {
      ws.clearCalls();
      EXPECT_EQ(d.Compress(title, out + "\\" + name), std::string("report of ") + prefix) << name;
      EXPECT_EQ(command(), expected);
      EXPECT_EQ(folderOfCall(), data + " owner") << "the base folder is current for the call";
      EXPECT_EQ(CurrentFolder(), before) << "and the folder before the call afterwards";
    };
    ASSERT_TRUE(d.Checked(IDC_FORMAT_LHA));
    run(kLhaTitle, "x.lzh", "a -x -a1 -+ -c1 -jm2 \"" + out + "\\x.lzh\"" + tail, "Unlha");

    EXPECT_EQ(d.PickMethod(2), std::vector<std::string>{kWarning});
    d.Click(IDC_SUBFOLDERS);
    d.Click(IDC_SHORT_NAMES);
    run(kLhaTitle, "x.lzh", "a -x -a1 -+ -c1 -r2 -ji -jm4 \"" + out + "\\x.lzh\"" + tail, "Unlha");

    d.Click(IDC_FORMAT_CAB);
    d.Click(IDC_SHORT_NAMES);
    d.PickMethod(1);
    d.SlideTo(18);
    EXPECT_EQ(d.GetDlgItemText(IDC_LEVEL_VALUE), "18");
    run(kCabTitle, "x.cab", "-a -r -ml:18 \"" + out + "\\x.cab\"" + tail, "Cab");

    d.PickMethod(2);
    d.Click(IDC_SUBFOLDERS);
    run(kCabTitle, "x.cab", "-a -ms \"" + out + "\\x.cab\"" + tail, "Cab");

    d.Click(IDC_FORMAT_TAR);
    run(kTgzTitle, "x.tar", "c -vfz6  \"" + out + "\\x.tar.gz\"" + tail, "Tar");
    d.PickMethod(1);
    run(kTbzTitle, "x.tar", "c -vfB9  \"" + out + "\\x.tar.bz2\"" + tail, "Tar");
    run(kTbzTitle, "x.TAR", "c -vfB9  \"" + out + "\\x.TAR\"" + tail, "Tar");  // the rule is case-sensitive
    d.PickMethod(2);
    run(kTarTitle, "x.tar", "c -vf \"" + out + "\\x.tar\"" + tail, "Tar");
    EXPECT_TRUE(d.unexpectedWindows.empty()) << ::testing::PrintToString(d.unexpectedWindows);
    // Compressing leaves the list as it was.
    EXPECT_EQ(d.ListedNames(), (std::vector<std::string>{"a.txt", "b.txt"}));
  };
  dlg.DoModal(nullptr);
  EXPECT_TRUE(ran);
}

TEST_F(Compress, FullPathsFoldersDriveRootsAndNothingToDo) {
  std::string sub = ws.folder("data\\sub");
  ws.write("data\\sub\\c.txt", "c");
  CScriptedCreator dlg({a, sub});
  dlg.script = [&](CScriptedCreator& d) {
    const std::string before = ws.folder("park");
    d.parkIn = before;
    d.Click(IDC_FULL_PATH);
    d.Compress(kLhaTitle, out + "\\f.lzh");
    EXPECT_EQ(command(), "a -x -a1 -+ -c1 -jm2 \"" + out + "\\f.lzh\"  \"" + a + "\" \"" + sub + "\\*.*\"");
    EXPECT_EQ(folderOfCall(), before + " owner") << "with full paths the folder is left alone";
    d.Click(IDC_FULL_PATH);
    ws.clearCalls();
    d.Compress(kLhaTitle, out + "\\f.lzh");
    EXPECT_EQ(command(), "a -x -a1 -+ -c1 -jm2 \"" + out + "\\f.lzh\"  \"a.txt\" \"sub\\*.*\"");

    // Cancelling the save dialog runs nothing.
    ws.clearCalls();
    ModalScript cancel;
    cancel.then(kLhaTitle, [](HWND w) { Click(w, IDCANCEL); });
    cancel.run([&] { SendMessageA(d.hwnd(), WM_COMMAND, IDC_COMPRESS, 0); });
    EXPECT_TRUE(cancel.allDone());
    EXPECT_TRUE(ws.callsOf(".Command").empty());
  };
  dlg.DoModal(nullptr);

  // A file in a drive's root: the root itself is current (for the cabinet too).
  const std::string rootFile = "C:\\pakmo-root-" + std::to_string(GetCurrentProcessId()) + ".txt";
  WriteFile(rootFile, "r");
  CScriptedCreator atRoot({rootFile});
  atRoot.script = [&](CScriptedCreator& d) {
    for (int format : {IDC_FORMAT_LHA, IDC_FORMAT_CAB, IDC_FORMAT_TAR}) {
      d.Click(format);
      ws.clearCalls();
      d.Compress(format == IDC_FORMAT_LHA ? kLhaTitle : format == IDC_FORMAT_CAB ? kCabTitle : kTgzTitle,
                 out + "\\r.x");
      EXPECT_EQ(folderOfCall(), "C:\\ owner") << format;
      EXPECT_NE(command().find("\"  \"" + rootFile.substr(3) + "\""), std::string::npos) << command();
    }
  };
  atRoot.DoModal(nullptr);
  DeleteFileA(rootFile.c_str());

  // An empty list: the command does nothing at all.
  CScriptedCreator empty;
  empty.script = [&](CScriptedCreator& d) {
    ws.clearCalls();
    EXPECT_EQ(d.Compress(kLhaTitle, out + "\\e.lzh"), "<no result>");
    EXPECT_TRUE(ws.callsOf(".Command").empty());
    EXPECT_TRUE(d.unexpectedWindows.empty());
  };
  empty.DoModal(nullptr);
}

}  // namespace
