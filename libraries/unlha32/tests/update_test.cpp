// Changes to archives with the creator's and the viewer's command lines:
// creation from a base folder, methods, short names, delete, rename.
#include "dialog_driver.h"
#include "dialogs_resource.h"
#include "results.h"
#include "unlha32_fixture.h"

using namespace unlhatest;
using namespace dllsupport;

namespace {

std::string methodOf(const std::string& archive, const char* name) {
  for (const auto& i : listing(archive))
    if (std::string(i.name) == name) return i.method;
  return "<none>";
}

class CurrentFolder {
 public:
  explicit CurrentFolder(const std::string& to) {
    GetCurrentDirectoryA(MAX_PATH, saved_);
    SetCurrentDirectoryA(to.c_str());
  }
  ~CurrentFolder() { SetCurrentDirectoryA(saved_); }

 private:
  char saved_[MAX_PATH];
};

TEST_F(UnlhaTest, CreatorLinesFromTheCurrentFolderWithEachMethod) {
  std::string text;
  for (int i = 0; i < 3000; ++i) text += "compressible line " + std::to_string(i % 13) + "\n";
  write("base\\a.txt", text);
  write("base\\b.txt", text + "b");
  write("base\\sub\\表.txt", text);
  CurrentFolder cur(at("base"));
  const struct {
    const char* sw;
    const char* method;
  } methods[] = {{"-jm2", "-lh5-"}, {"-jm3", "-lh6-"}, {"-jm4", "-lh7-"}};
  for (const auto& m : methods) {
    const std::string out = at(std::string("out") + m.sw + ".lzh");
    const Call r = unlha(std::string("a -x -a1 -+ -c1 -r2 ") + m.sw + " \"" + out + "\"  \"a.txt\" \"b.txt\" \"sub\"");
    ASSERT_EQ(r.result, kOk) << r.report;
    EXPECT_EQ(names(out), (std::vector<std::string>{"a.txt", "b.txt", "sub/", "sub\\表.txt"}));
    EXPECT_EQ(methodOf(out, "a.txt"), m.method);
    EXPECT_EQ(unlha("t \"" + out + "\"").result, kOk);
  }
  // Full paths as operands, no folder names kept: stored under their file names.
  const Call full = unlha("a -r2 \"" + at("full.lzh") + "\" \"" + at("base\\a.txt") + "\" \"" + at("base\\sub") + "\"");
  ASSERT_EQ(full.result, kOk) << full.report;
  EXPECT_EQ(names(at("full.lzh")), (std::vector<std::string>{"a.txt", "表.txt"}));
  // -z stores; -h0 and -h1 write older header levels.
  ASSERT_EQ(unlha("a -z -h1 \"" + at("z.lzh") + "\" a.txt").result, kOk);
  EXPECT_EQ(methodOf(at("z.lzh"), "a.txt"), "-lh0-");
  EXPECT_EQ(listing(at("z.lzh"))[0].headerLevel, 1);
  ASSERT_EQ(unlha("a -o \"" + at("o.lzh") + "\" a.txt").result, kOk);
  EXPECT_EQ(listing(at("o.lzh"))[0].headerLevel, 0);
}

TEST_F(UnlhaTest, ShortNamesAndTheBaseFolderOperand) {
  write("base\\a long file name.text", "long");
  const Call r = unlha("a -ji \"" + at("s.lzh") + "\" \"" + at("base") + "\\\" \"a long file name.text\"");
  ASSERT_EQ(r.result, kOk) << r.report;
  char shortPath[MAX_PATH] = {};
  GetShortPathNameA(at("base\\a long file name.text").c_str(), shortPath, MAX_PATH);
  const std::string s = shortPath;
  EXPECT_EQ(names(at("s.lzh")), (std::vector<std::string>{s.substr(s.rfind('\\') + 1)}));
}

TEST_F(UnlhaTest, UpdateAndFreshenAddOnlyWhatTheySay) {
  write("b\\one.txt", "1");
  touch("b\\one.txt", -7200);
  ASSERT_EQ(unlha("a \"" + at("u.lzh") + "\" \"" + at("b") + "\\\" one.txt").result, kOk);
  write("b\\two.txt", "2");
  EXPECT_EQ(unlha("f \"" + at("u.lzh") + "\" \"" + at("b") + "\\\" one.txt two.txt").result, kNothingToDo);
  EXPECT_EQ(names(at("u.lzh")), (std::vector<std::string>{"one.txt"}));
  write("b\\one.txt", "1 again");
  const Call u = unlha("u \"" + at("u.lzh") + "\" \"" + at("b") + "\\\" one.txt two.txt");
  EXPECT_EQ(u.result, kOk) << u.report;
  EXPECT_EQ(names(at("u.lzh")), (std::vector<std::string>{"one.txt", "two.txt"}));
  EXPECT_EQ(unlha("a \"" + at("u.lzh") + "\" \"" + at("b") + "\\\" none*.txt").result, kNothingToDo);
}

TEST_F(UnlhaTest, DeleteWithTheViewersResponseFile) {
  const std::string a = makeArchive("d.lzh", {"ソ\\b.txt", "表.txt", "keep.txt"});
  write("r.res", "d -+  \"" + a + "\"  \"表.txt\" \"ソ\\b.txt\"\n");
  const Call r = unlha("@" + at("r.res"));
  EXPECT_EQ(r.result, kOk) << r.report;
  EXPECT_NE(r.report.find("削除しました: 表.txt"), std::string::npos);
  EXPECT_EQ(names(a), (std::vector<std::string>{"keep.txt"}));
  const std::string before = read("d.lzh");
  EXPECT_EQ(unlha("d \"" + a + "\" absent.txt").result, kNoMatch);
  EXPECT_EQ(read("d.lzh"), before);
}

TEST_F(UnlhaTest, RenameWithANameAndThroughTheDialog) {
  const std::string a = makeArchive("n.lzh", {"dir\\old.txt", "表.txt"});
  // The viewer's lines: a bare new name keeps the entry's folder.
  Call r = unlha("n \"" + a + "\" \"dir\\old.txt\" -pn -gr\"new name.txt\"");
  EXPECT_EQ(r.result, kOk) << r.report;
  EXPECT_EQ(names(a), (std::vector<std::string>{"dir\\new name.txt", "表.txt"}));
  HWND owner = testdialogs::makeOwner();
  {
    testdialogs::DialogDriver d("名前の変更", IDOK, IDC_DLLS_EDIT, "ソ.txt");
    r = unlha("n \"" + a + "\" \"表.txt\" -pn -+ -a1", owner);
    EXPECT_TRUE(d.found);
  }
  EXPECT_EQ(r.result, kOk) << r.report;
  EXPECT_EQ(names(a), (std::vector<std::string>{"dir\\new name.txt", "ソ.txt"}));
  const std::string before = read("n.lzh");
  {
    testdialogs::DialogDriver d("名前の変更", IDCANCEL);
    r = unlha("n \"" + a + "\" \"ソ.txt\" -pn -+ -a1", owner);
  }
  EXPECT_EQ(r.result, kCancelled);
  EXPECT_EQ(read("n.lzh"), before);
  DestroyWindow(owner);
  EXPECT_EQ(unlha("n \"" + a + "\" \"ソ.txt\" -pn -gr\"..\\up.txt\"").result, kBadCommand);
  EXPECT_EQ(unlha("n \"" + a + "\" \"new name.txt\" -pn -gr\"x\"").result, kNoMatch);  // -p: the whole path
  EXPECT_EQ(read("n.lzh"), before);
}

}  // namespace

namespace {

TEST_F(UnlhaTest, ProgressWindowCancelLeavesTheArchiveAsItWas) {
  // Enough to take seconds to compress on any machine, so that the cancel lands
  // while the work is still going (the window shows after half a second).
  std::string big;
  big.reserve(192u << 20);
  uint32_t x = 12345;
  while (big.size() < (192u << 20)) {
    x = x * 1103515245u + 12345u;
    big += "word" + std::to_string((x >> 16) % 5000) + ((x & 7) ? " " : "\n");
  }
  write("big\\big.txt", big);
  const std::string a = makeArchive("c.lzh", {"small.txt"});
  const std::string before = read("c.lzh");
  HWND owner = testdialogs::makeOwner();
  Call r;
  {
    testdialogs::DialogDriver d("処理中", IDCANCEL, 0, {}, IDC_DLLS_FILE);
    r = unlha("a -jm4 \"" + a + "\" \"" + at("big") + "\\\" big.txt", owner);
    EXPECT_TRUE(d.found);
    EXPECT_EQ(d.seen, "big.txt");
  }
  DestroyWindow(owner);
  EXPECT_EQ(r.result, kCancelled) << r.report;
  EXPECT_EQ(read("c.lzh"), before);
  WIN32_FIND_DATAA fd;
  int entries = 0;
  HANDLE h = FindFirstFileA(at("*").c_str(), &fd);
  do ++entries;
  while (FindNextFileA(h, &fd));
  FindClose(h);
  EXPECT_EQ(entries, 2 + 3) << "only . .. src big c.lzh: no temporary file left";
}

}  // namespace
