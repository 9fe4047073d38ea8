// The command entry itself: exports, version, results for bad lines, reports
// cut to the buffer, response files.
#include "results.h"
#include "unlha32_fixture.h"

using namespace unlhatest;
using namespace dllsupport;

namespace {

TEST_F(UnlhaTest, ExportsVersionAndOrdinalOne) {
  EXPECT_GE(library().getVersion(), 49);
  EXPECT_EQ(procAddress<archiver::CommandFn>(library().module, MAKEINTRESOURCEA(1)), library().command);
  EXPECT_TRUE(library().checkArchive && library().getFileCount && library().openArchive && library().findFirst &&
              library().findNext && library().closeArchive);
}

TEST_F(UnlhaTest, ResultsForLinesThatCannotRun) {
  EXPECT_EQ(unlha("").result, kBadCommand);
  EXPECT_EQ(unlha("e x.lzh -q9").result, kBadCommand);
  EXPECT_EQ(unlha("e x.lzh -h7").result, kBadCommand);
  const Call missing = unlha("e \"" + at("none.lzh") + "\"");
  EXPECT_EQ(missing.result, kArchiveNotFound);
  EXPECT_NE(missing.report.find("none.lzh"), std::string::npos) << missing.report;
  write("plain.lzh", "not an archive at all");
  EXPECT_EQ(unlha("l \"" + at("plain.lzh") + "\"").result, kNotArchive);
  // ".lzh" is added to a name without an extension.
  const std::string a = makeArchive("arc.lzh", {"a.txt"});
  EXPECT_EQ(unlha("l \"" + at("arc") + "\"").result, kOk);
  EXPECT_EQ(unlha("e \"" + a + "\" \"" + at("out") + "\\\" nothing.here").result, kNoMatch);
  EXPECT_EQ(unlha("d \"" + a + "\"").result, kBadCommand);  // delete needs names
  EXPECT_EQ(unlha("n \"" + a + "\" a.txt").result, kBadCommand);  // no -gr and no window to ask in
}

TEST_F(UnlhaTest, CommentsAreRefusedAndMakeNothing) {
  const std::string a = makeArchive("arc.lzh", {"a.txt"});
  const std::string before = read("arc.lzh");
  EXPECT_EQ(unlha("c \"" + a + "\"").result, kUnsupported);
  EXPECT_EQ(read("arc.lzh"), before);
}

TEST_F(UnlhaTest, ReportIsCutAtAWholeCharacterInsideSmallBuffers) {
  const std::string a = makeArchive("表.lzh", {"表ソ表ソ.txt"});
  const Call full = unlha("l \"" + a + "\"");
  ASSERT_EQ(full.result, kOk);
  for (DWORD size = 1; size < 120; ++size) {
    const Call r = unlha("l \"" + a + "\"", nullptr, size);  // the helper checks the bounds and the NUL
    ASSERT_EQ(r.report, full.report.substr(0, r.report.size()));
    // The cut is at a whole character: what follows it cannot complete a pair.
    size_t i = 0;
    while (i < r.report.size()) i += IsDBCSLeadByteEx(932, static_cast<BYTE>(r.report[i])) ? 2 : 1;
    EXPECT_EQ(i, r.report.size()) << "size " << size;
  }
  EXPECT_EQ(library().command(nullptr, ("l \"" + a + "\"").c_str(), nullptr, 0), kOk);
}

TEST_F(UnlhaTest, ResponseFileAsTheViewerWritesIt) {
  const std::string a = makeArchive("arc.lzh", {"a.txt", "ソ\\b.txt", "c.txt"});
  write("del.res", "d -+  \"" + a + "\"  \"a.txt\" \"ソ\\b.txt\"\n");
  const Call r = unlha("@" + at("del.res"));
  EXPECT_EQ(r.result, kOk) << r.report;
  EXPECT_NE(r.report.find("ソ\\b.txt"), std::string::npos);
  EXPECT_EQ(names(a), (std::vector<std::string>{"c.txt"}));
  // Several CR LF lines with operands split over them.
  write("many.res", "e\r\n\"" + a + "\"\r\n\"" + at("out") + "\\\"\r\n c.txt\r\n-m1\r\n");
  EXPECT_EQ(unlha("@" + at("many.res")).result, kOk);
  EXPECT_EQ(read("out\\c.txt"), "c.txt");
}

}  // namespace
