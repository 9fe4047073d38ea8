// The format buttons per library found, and for every format and method which
// option controls are usable, with the level's range and default, read from the
// live window over recording libraries.
#include <windows.h>

#include <gtest/gtest.h>

#include "creator_fixture.h"

namespace {

struct State {
  bool level, fullPath, subfolders, shortNames;
  int low, high, position;
};

void expectState(const CScriptedCreator& d, const State& s, const std::string& where) {
  SCOPED_TRACE(where);
  for (int id : {IDC_LEVEL_LABEL, IDC_LEVEL_VALUE, IDC_LEVEL}) EXPECT_EQ(d.Enabled(id), s.level) << id;
  EXPECT_EQ(d.Enabled(IDC_FULL_PATH), s.fullPath);
  EXPECT_EQ(d.Enabled(IDC_SUBFOLDERS), s.subfolders);
  EXPECT_EQ(d.Enabled(IDC_SHORT_NAMES), s.shortNames);
  EXPECT_TRUE(d.Enabled(IDC_METHOD));
  EXPECT_TRUE(d.Enabled(IDC_METHOD_LABEL));
  EXPECT_TRUE(d.Enabled(IDC_COMPRESS));
  if (s.level) {
    EXPECT_EQ(d.SliderMin(), s.low);
    EXPECT_EQ(d.SliderMax(), s.high);
    EXPECT_EQ(d.SliderPos(), s.position);
    EXPECT_EQ(d.GetDlgItemText(IDC_LEVEL_VALUE), std::to_string(s.position));
  }
}

// Runs the window with the libraries of `variant` named in `libs`, answering the
// message boxes of the start with OK and keeping their texts.
void runWindow(Workspace& ws, const char* variant, std::vector<const char*> libs, std::vector<std::string>& messages,
               const std::function<void(CScriptedCreator&)>& script, std::vector<std::string> args = {}) {
  for (const char* lib : libs)
    ws.useLibrary(std::string("..\\archive-tests\\") + variant + "\\" + lib + ".DLL", std::string(lib) + ".DLL");
  CScriptedCreator dlg(std::move(args));
  dlg.script = script;
  ModalScript start;
  start.ignore("Ｐａｋｍｏ");
  for (int i = 0; i < 3; i++)
    start.then("Pakmo", [&](HWND box) {
      messages.push_back(ItemText(box, 0xFFFF));
      Click(box, IDOK);
    });
  start.run([&] { dlg.DoModal(nullptr); });
}

TEST(Options, EveryFormatAndMethod) {
  Workspace ws;
  std::vector<std::string> messages;
  bool ran = false;
  runWindow(ws, "min", {"UNLHA32", "CAB32", "TAR32"}, messages, [&](CScriptedCreator& d) {
    ran = true;
    for (int id : {IDC_FORMAT_LHA, IDC_FORMAT_CAB, IDC_FORMAT_TAR}) EXPECT_TRUE(d.Enabled(id));
    EXPECT_TRUE(d.Checked(IDC_FORMAT_LHA));
    EXPECT_FALSE(d.Checked(IDC_FORMAT_CAB));
    EXPECT_FALSE(d.Checked(IDC_FORMAT_TAR));
    EXPECT_EQ(d.MethodRows(), (std::vector<std::string>{"lh5 (標準)", "lh6 (LHA V2.50以降)", "lh7 (LHA V2.60以降)"}));
    const State lha{false, true, true, true, 0, 0, 0};
    expectState(d, lha, "LHA lh5");
    EXPECT_EQ(d.PickMethod(1).size(), 1u) << "lh6 warns";
    expectState(d, lha, "LHA lh6");
    EXPECT_EQ(d.PickMethod(2).size(), 1u) << "lh7 warns";
    EXPECT_EQ(d.PickMethod(2).size(), 1u) << "and again";
    EXPECT_TRUE(d.PickMethod(0).empty()) << "lh5 does not";

    d.Click(IDC_FORMAT_TAR);
    EXPECT_EQ(d.MethodRows(), (std::vector<std::string>{"tar + gzip", "tar + bzip2", "無圧縮"}));
    expectState(d, {true, true, false, false, 1, 9, 6}, "tar + gzip");
    d.PickMethod(1);
    expectState(d, {true, true, false, false, 1, 9, 9}, "tar + bzip2");
    d.PickMethod(2);
    expectState(d, {false, true, false, false, 0, 0, 0}, "tar");

    d.Click(IDC_FORMAT_CAB);
    EXPECT_EQ(d.MethodRows(), (std::vector<std::string>{"MSZIP形式", "LZX形式", "無圧縮"}));
    EXPECT_EQ(static_cast<int>(d.SendDlgItemMessage(IDC_METHOD, CB_GETCURSEL)), 0) << "a switch starts at row 0";
    expectState(d, {false, false, true, true, 0, 0, 0}, "MSZIP");
    d.PickMethod(1);
    expectState(d, {true, false, true, true, 15, 21, 15}, "LZX");
    d.SlideTo(19);
    EXPECT_EQ(d.GetDlgItemText(IDC_LEVEL_VALUE), "19");
    d.PickMethod(2);
    expectState(d, {false, false, true, true, 0, 0, 0}, "stored");

    // Check states across switches: CAB clears full path, tar clears short
    // names and keeps subfolders although it is off.
    d.Click(IDC_FORMAT_LHA);
    d.Click(IDC_FULL_PATH);
    d.Click(IDC_SUBFOLDERS);
    d.Click(IDC_SHORT_NAMES);
    d.Click(IDC_FORMAT_TAR);
    EXPECT_TRUE(d.Checked(IDC_FULL_PATH));
    EXPECT_TRUE(d.Checked(IDC_SUBFOLDERS));
    EXPECT_FALSE(d.Checked(IDC_SHORT_NAMES));
    d.PickMethod(1);
    d.Click(IDC_FORMAT_CAB);
    EXPECT_FALSE(d.Checked(IDC_FULL_PATH));
    EXPECT_FALSE(d.Enabled(IDC_LEVEL)) << "bzip2's level does not follow into MSZIP";
    d.Click(IDC_FORMAT_LHA);
    EXPECT_TRUE(d.Enabled(IDC_SUBFOLDERS));
    EXPECT_TRUE(d.Checked(IDC_SUBFOLDERS));
  });
  EXPECT_TRUE(ran);
  EXPECT_TRUE(messages.empty()) << ::testing::PrintToString(messages);
}

TEST(Options, OnlyTheTarLibrary) {
  Workspace ws;
  std::vector<std::string> messages;
  bool ran = false;
  runWindow(ws, "min", {"TAR32"}, messages, [&](CScriptedCreator& d) {
    ran = true;
    EXPECT_FALSE(d.Enabled(IDC_FORMAT_LHA));
    EXPECT_FALSE(d.Enabled(IDC_FORMAT_CAB));
    EXPECT_TRUE(d.Enabled(IDC_FORMAT_TAR));
    EXPECT_TRUE(d.Checked(IDC_FORMAT_TAR));
    EXPECT_EQ(d.MethodRows()[0], "tar + gzip");
    expectState(d, {true, true, false, false, 1, 9, 6}, "start");
  });
  EXPECT_TRUE(ran);
  EXPECT_TRUE(messages.empty());
}

TEST(Options, LibrariesTooOldAreNamedInOrderAndStayUnusable) {
  Workspace ws;
  std::vector<std::string> messages;
  bool ran = false;
  std::string a = ws.write("a.txt", "a");
  runWindow(
      ws, "old", {"UNLHA32", "CAB32", "TAR32"}, messages,
      [&](CScriptedCreator& d) {
        ran = true;
        for (int id : {IDC_FORMAT_LHA, IDC_FORMAT_CAB, IDC_FORMAT_TAR, IDC_METHOD, IDC_LEVEL, IDC_FULL_PATH,
                       IDC_SUBFOLDERS, IDC_SHORT_NAMES})
          EXPECT_FALSE(d.Enabled(id)) << id;
        EXPECT_TRUE(d.Enabled(IDC_COMPRESS)) << "files are listed";
        // Compressing goes as far as the result window, which stays empty: no library is called.
        ws.clearCalls();
        EXPECT_EQ(d.Compress("書庫ﾌｧｲﾙの名前を入力してください。", ws.dir() + "x.lzh"), "");
        EXPECT_TRUE(ws.callsOf(".Command").empty());
      },
      {a});
  EXPECT_TRUE(ran);
  EXPECT_EQ(messages, (std::vector<std::string>{"Ver0.42 以上の UNLHA32.DLL が必要です", "Ver0.65 以上の CAB32.DLL が必要です",
                                                "Ver0.51 以上の TAR32.DLL が必要です"}));
}

TEST(Options, LibrariesAtTheirMinimumAndNoneAtAll) {
  {
    Workspace ws;
    std::vector<std::string> messages;
    runWindow(ws, "min", {"UNLHA32", "CAB32"}, messages, [&](CScriptedCreator& d) {
      EXPECT_TRUE(d.Enabled(IDC_FORMAT_LHA)) << "version 42 is enough";
      EXPECT_TRUE(d.Enabled(IDC_FORMAT_CAB)) << "version 65 is enough";
      EXPECT_FALSE(d.Enabled(IDC_FORMAT_TAR)) << "missing, and said nothing about";
      // Without tar no start choice sets a level: the label keeps its text.
      EXPECT_EQ(d.GetDlgItemText(IDC_LEVEL_VALUE), "21");
    });
    EXPECT_TRUE(messages.empty());
  }
  {
    Workspace ws;
    std::vector<std::string> messages;
    runWindow(ws, "min", {}, messages, [&](CScriptedCreator& d) {
      for (int id : {IDC_FORMAT_LHA, IDC_FORMAT_CAB, IDC_FORMAT_TAR, IDC_METHOD, IDC_FULL_PATH, IDC_COMPRESS})
        EXPECT_FALSE(d.Enabled(id)) << id;
      EXPECT_FALSE(d.MenuEnabled(ID_COMPRESS));
    });
    EXPECT_TRUE(messages.empty());
  }
}

}  // namespace
