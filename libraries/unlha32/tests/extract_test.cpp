// Extraction with the viewer's command lines: each combination of its three
// options over existing older, newer and read-only files; the questions asked
// with a window; the work folder; testing.
#include "dialog_driver.h"
#include "dialogs_resource.h"
#include "lha_handler.h"
#include "results.h"
#include "unlha32_fixture.h"

using namespace unlhatest;
using namespace dllsupport;

namespace {

class Extract : public UnlhaTest {
 protected:
  void SetUp() override {
    UnlhaTest::SetUp();
    archive = makeArchive("x.lzh", {"old.txt", "new.txt", "ro.txt", "fresh.txt", "d\\in.txt"});
  }
  // The destination holds an older old.txt, a newer new.txt and an older read-only ro.txt.
  void prepare(const std::string& dest) {
    write(dest + "\\old.txt", "mine");
    touch(dest + "\\old.txt", -7200);
    write(dest + "\\new.txt", "mine");
    touch(dest + "\\new.txt", 7200);
    write(dest + "\\ro.txt", "mine");
    touch(dest + "\\ro.txt", -7200);
    SetFileAttributesA(at(dest + "\\ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  }
  // The viewer's own extraction text.
  std::string line(const std::string& dest, bool folders, bool overwriteAll, bool ignoreDate) {
    const ArchiveContext ctx{archive, at("work") + "\\", nullptr};
    return CLhaHandler::ExtractText(ctx, "*.*", at(dest) + "\\", {folders, overwriteAll, ignoreDate});
  }
  std::string archive;
};

TEST_F(Extract, EveryCombinationOfTheViewersOptions) {
  for (int combo = 0; combo < 8; ++combo) {
    const bool folders = combo & 1, all = combo & 2, dates = combo & 4;
    const std::string dest = "out" + std::to_string(combo);
    prepare(dest);
    const Call r = unlha(line(dest, folders, all, dates));
    SCOPED_TRACE(r.report);
    EXPECT_EQ(r.result, kOk) << combo;
    // Without -y1 nothing is replaced (no window to ask in); with it newer entries
    // replace older files; with -c1 as well every file is replaced.
    EXPECT_EQ(read(dest + "\\old.txt"), all ? "old.txt" : "mine") << combo;
    EXPECT_EQ(read(dest + "\\new.txt"), all && dates ? "new.txt" : "mine") << combo;
    EXPECT_EQ(read(dest + "\\ro.txt"), all ? "ro.txt" : "mine") << combo;
    EXPECT_EQ(read(dest + "\\fresh.txt"), "fresh.txt");
    EXPECT_EQ(exists(dest + "\\d\\in.txt"), folders) << combo;
    EXPECT_EQ(exists(dest + "\\in.txt"), !folders) << combo;
    // Whatever was kept is named in the report.
    if (!all) {
      EXPECT_NE(r.report.find("既存のファイルを残しました: old.txt"), std::string::npos);
    } else {
      EXPECT_NE(r.report.find("置き換えました: old.txt"), std::string::npos);
    }
    if (all && !dates) {
      EXPECT_NE(r.report.find("新しいため残しました: new.txt"), std::string::npos);
    }
  }
}

TEST_F(Extract, QuestionsWithAWindow) {
  HWND owner = testdialogs::makeOwner();
  prepare("no");
  {
    testdialogs::DialogDriver d1("上書きの確認", IDNO, 0, {}, IDC_DLLS_FILE, 3);
    const Call r = unlha(line("no", false, false, false) + " -n", owner);
    EXPECT_EQ(d1.answered, 3);  // old.txt, new.txt and ro.txt, one question each
    EXPECT_EQ(d1.seen.rfind(at("no") + "\\", 0), 0u) << "the file as a Windows path: " << d1.seen;
    EXPECT_EQ(d1.seen.find('/'), std::string::npos) << d1.seen;
    EXPECT_EQ(r.result, kOk) << r.report;
  }
  EXPECT_EQ(read("no\\old.txt"), "mine");
  EXPECT_EQ(read("no\\fresh.txt"), "fresh.txt");
  prepare("all");
  {
    testdialogs::DialogDriver d("上書きの確認", IDC_DLLS_YESTOALL);
    const Call r = unlha(line("all", false, false, false) + " -n", owner);
    EXPECT_TRUE(d.found);
    EXPECT_EQ(r.result, kOk) << r.report;
  }
  EXPECT_EQ(read("all\\new.txt"), "new.txt");  // yes to all replaces regardless of dates
  EXPECT_EQ(read("all\\ro.txt"), "ro.txt");
  prepare("stop");
  {
    testdialogs::DialogDriver d("上書きの確認", IDCANCEL);
    const Call r = unlha(line("stop", false, false, false) + " -n", owner);
    EXPECT_EQ(r.result, kCancelled) << r.report;
  }
  EXPECT_EQ(read("stop\\new.txt"), "mine");
  DestroyWindow(owner);
}

TEST_F(Extract, WorkFolderTakesWholePathsAndReplacesWithoutAsking) {
  write("work\\in.txt", "stale");
  touch("work\\in.txt", 7200);
  const Call r = unlha("e \"" + archive + "\" \"" + at("work") + "\\\" \"d\\in.txt\" -p -+ -a1 -c1 -m1");
  EXPECT_EQ(r.result, kOk) << r.report;
  EXPECT_EQ(read("work\\in.txt"), "d\\in.txt");
  // With -p a bare file name does not reach into folders; without it, it does.
  EXPECT_EQ(unlha("e \"" + archive + "\" \"" + at("w2") + "\\\" in.txt -p -m1").result, kNoMatch);
  EXPECT_EQ(unlha("e \"" + archive + "\" \"" + at("w3") + "\\\" in.txt -m1").result, kOk);
  EXPECT_EQ(read("w3\\in.txt"), "d\\in.txt");
}

TEST_F(Extract, XCommandKeepsFoldersAndTheCurrentFolderIsTheDefault) {
  CreateDirectoryA(at("cur").c_str(), nullptr);
  char saved[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, saved);
  SetCurrentDirectoryA(at("cur").c_str());
  const Call r = unlha("x \"" + archive + "\" d\\in.txt -p");
  SetCurrentDirectoryA(saved);
  EXPECT_EQ(r.result, kOk) << r.report;
  EXPECT_EQ(read("cur\\d\\in.txt"), "d\\in.txt");
}

TEST_F(Extract, TestAndPrintDetectDamage) {
  const Call good = unlha("t \"" + archive + "\"");
  EXPECT_EQ(good.result, kOk) << good.report;
  const Call text = unlha("p \"" + archive + "\" fresh.txt");
  EXPECT_EQ(text.result, kOk);
  EXPECT_NE(text.report.find("fresh.txt"), std::string::npos);
  // Damage the stored bytes of a member: -lh0- data is the file's text.
  std::string bytes = read("x.lzh");
  const size_t at = bytes.find("fresh.txt", bytes.find("fresh.txt") + 1);
  ASSERT_NE(at, std::string::npos);
  bytes[at] = 'F';
  write("bad.lzh", bytes);
  const Call bad = unlha("t \"" + this->at("bad.lzh") + "\"");
  EXPECT_EQ(bad.result, kCrcError) << bad.report;
  EXPECT_NE(bad.report.find("fresh.txt の CRC が一致しません"), std::string::npos) << bad.report;
  write("keep\\fresh.txt", "mine");
  EXPECT_EQ(unlha("e \"" + this->at("bad.lzh") + "\" \"" + this->at("keep") + "\\\" -y1 -c1").result, kCrcError);
  EXPECT_EQ(read("keep\\fresh.txt"), "mine");  // a CRC error leaves the existing file
}

}  // namespace
