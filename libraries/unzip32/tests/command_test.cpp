// The exports as the suite binds them, the command lines Dexlor builds (byte
// for byte), the overwrite rules of design section 4 and the report buffer.
#include <fstream>

#include "dialog_driver.h"
#include "dialogs_resource.h"
#include "results.h"
#include "unzip32_fixture.h"

namespace unziptest {
namespace {

using testdialogs::DialogDriver;

void writeText(const std::string& path, const std::string& text) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f << text;
}

TEST_F(UnZipTest, ExportsVersionAndOrdinalOne) {
  const Library& lib = library();
  EXPECT_TRUE(lib.getVersion && lib.checkArchive && lib.getFileCount && lib.openArchive && lib.findFirst &&
              lib.findNext && lib.closeArchive);
  EXPECT_GE(lib.getVersion(), archiver::kMinVersionZip);
  EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(lib.module, MAKEINTRESOURCEA(1))),
            reinterpret_cast<void*>(GetProcAddress(lib.module, "UnZip")));
}

TEST_F(UnZipTest, SeveralHandlesAtOnceAndBadHandles) {
  const std::string a = archive("info6.zip"), b = archive("sjis.zip");
  auto ha = library().openArchive(nullptr, a.c_str(), archiver::kOpenModeList);
  auto hb = library().openArchive(nullptr, b.c_str(), archiver::kOpenModeList);
  ASSERT_TRUE(ha && hb);
  archiver::ArcItemInfo ia{}, ib{};
  EXPECT_EQ(library().findFirst(ha, "*.*", &ia), 0);
  EXPECT_EQ(library().findFirst(hb, "*.*", &ib), 0);
  EXPECT_EQ(std::string(ib.name), sjis(L"表\\ソ.txt"));
  EXPECT_EQ(library().findNext(ha, &ia), 0);
  EXPECT_EQ(library().closeArchive(ha), 0);
  EXPECT_EQ(library().findNext(ha, &ia), dllsupport::kBadHandle);
  EXPECT_EQ(library().findNext(hb, &ib), 0);
  EXPECT_EQ(library().closeArchive(hb), 0);
}

// -x  "ARCHIVE" "DEST" @RESFILE with the names alone in the file, no line
// feed; the switches before the archive, each with its blank.
TEST_F(UnZipTest, TheViewersExtractLinesWithTheResponseFile) {
  const std::string zip = archive("7zdeflate.zip");
  const std::string res = at("@Dexlor@@.res");
  writeText(res, "*.*");
  Call r = unzip("-x  \"" + zip + "\" \"" + at("all") + "\\\" @" + res);
  EXPECT_EQ(r.result, 0) << r.report;
  expectTreeExtracted(at("all"));

  const std::string japanese = "sub\\inner\\" + sjis(L"日本語の名前.txt");
  writeText(res, "\"" + japanese + "\" text.txt");
  r = unzip("-x -j -o  \"" + zip + "\" \"" + at("flat") + "\\\" @" + res);
  EXPECT_EQ(r.result, 0) << r.report;
  EXPECT_EQ(readFile(at("flat\\" + sjis(L"日本語の名前.txt"))), source("sub/inner/日本語の名前.txt"));
  EXPECT_EQ(readFile(at("flat\\text.txt")), source("text.txt"));
  EXPECT_FALSE(exists(at("flat\\noise.bin")));
  EXPECT_FALSE(exists(at("flat\\sub")));

  // The work-folder line: no window, replace, flat; the folder exists and is
  // named without its last backslash.
  CreateDirectoryA(at("work").c_str(), nullptr);
  writeText(at("work\\text.txt"), "old");
  r = unzip("-x --i -o -j \"" + zip + "\" \"" + at("work") + "\" \"" + japanese + "\"", nullptr,
            archiver::kOutputSizeWork);
  EXPECT_EQ(r.result, 0) << r.report;
  EXPECT_TRUE(exists(at("work\\" + sjis(L"日本語の名前.txt"))));
  EXPECT_EQ(readFile(at("work\\text.txt")), "old") << "only the named entry";
}

TEST_F(UnZipTest, ExistingFilesAreAskedAboutWithAWindowKeptWithoutAndReplacedWithMinusO) {
  const std::string zip = archive("info9.zip");
  const std::string line = "-x \"" + zip + "\" \"" + at("d") + "\\\" text.txt";
  ASSERT_EQ(unzip(line).result, 0);
  writeText(at("d\\text.txt"), "mine");

  Call r = unzip(line);  // no window: nobody to ask, the file stays
  EXPECT_EQ(readFile(at("d\\text.txt")), "mine");
  EXPECT_NE(r.report.find("text.txt"), std::string::npos) << "what is kept is named: " << r.report;

  HWND owner = testdialogs::makeOwner();
  {
    DialogDriver no("上書きの確認", IDNO, 0, {}, IDC_DLLS_FILE);
    r = unzip(line, owner);
    EXPECT_TRUE(no.found);
  }
  EXPECT_EQ(readFile(at("d\\text.txt")), "mine");
  {
    DialogDriver yes("上書きの確認", IDYES);
    r = unzip(line, owner);
    EXPECT_TRUE(yes.found);
  }
  EXPECT_EQ(readFile(at("d\\text.txt")), source("text.txt"));
  writeText(at("d\\text.txt"), "mine again");
  {
    DialogDriver never("上書きの確認", IDNO, 0, {}, 0, 1);
    r = unzip("-x -o \"" + zip + "\" \"" + at("d") + "\\\" text.txt", owner);
    EXPECT_FALSE(never.found) << "-o replaces without asking";
  }
  EXPECT_EQ(r.result, 0) << r.report;
  EXPECT_EQ(readFile(at("d\\text.txt")), source("text.txt"));
  DestroyWindow(owner);
}

TEST_F(UnZipTest, ListingTestBadCommandsAndTheReportBuffer) {
  const std::string zip = archive("sjis.zip");
  Call l = unzip("-l \"" + zip + "\"");
  EXPECT_EQ(l.result, 0) << l.report;
  EXPECT_NE(l.report.find(sjis(L"予定表.txt")), std::string::npos) << l.report;
  EXPECT_NE(l.report.find("deflate"), std::string::npos) << l.report;
  EXPECT_EQ(unzip("-t \"" + zip + "\"").result, 0);
  EXPECT_EQ(unzip("-x -q \"" + zip + "\"").result, dllsupport::kBadCommand);
  EXPECT_EQ(unzip("-x").result, dllsupport::kBadCommand);
  EXPECT_EQ(unzip("-x \"" + zip + "\" \"" + at("nm") + "\\\" nothing.txt").result, dllsupport::kNoMatch);
  // A report cut to the buffer, at a whole character: never half of 表.
  for (DWORD size : {1u, 2u, 7u, 40u, 41u, 42u}) {
    const Call c = unzip("-l \"" + zip + "\"", nullptr, size);
    EXPECT_LT(c.report.size(), size);
    const std::string full = l.report.substr(0, c.report.size());
    EXPECT_EQ(c.report, full) << size;
    // The cut leaves no lead byte without its trail.
    size_t i = 0;
    while (i < c.report.size()) {
      const unsigned char b = static_cast<unsigned char>(c.report[i]);
      i += ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) ? 2 : 1;
    }
    EXPECT_EQ(i, c.report.size()) << size;
  }
}

}  // namespace
}  // namespace unziptest
