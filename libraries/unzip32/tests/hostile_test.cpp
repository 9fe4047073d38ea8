// Hostile archives: names that try to leave the destination, entries sharing
// their data, a central directory that states less than the data holds.
#include "results.h"
#include "unzip32_fixture.h"

namespace unziptest {
namespace {

TEST_F(UnZipTest, NamesNeverLeaveTheDestination) {
  const std::string zip = archive("hostile.zip");
  const Call r = unzip("-x \"" + zip + "\" \"" + at("dest\\inner") + "\\\"");
  EXPECT_EQ(readFile(at("dest\\inner\\good.txt")), "good");
  for (const char* evil : {"evil1.txt", "evil2.txt", "evil3.txt", "evil4.txt"}) {
    EXPECT_FALSE(exists(at(evil))) << evil;
    EXPECT_FALSE(exists(at(std::string("dest\\") + evil))) << evil;
    EXPECT_FALSE(exists(std::string("C:\\") + evil)) << evil;
  }
  EXPECT_FALSE(exists("C:\\abs\\evil2.txt"));
  // ".." behind the trail byte of ソ is part of a name, not a way up; Windows
  // allows no dots at the end of a name, so they go.
  EXPECT_EQ(readFile(at("dest\\inner\\" + sjis(L"ソ") + "\\safe5.txt")), "5") << r.report;
  EXPECT_NE(r.report.find(sjis(L"名前を変更しました")), std::string::npos) << r.report;
}

TEST_F(UnZipTest, SharedDataAndLyingSizesAreRefusedClearly) {
  const Call o = unzip("-x \"" + archive("overlap.zip") + "\" \"" + at("o") + "\\\"");
  EXPECT_EQ(o.result, dllsupport::kDamaged) << o.report;
  EXPECT_NE(o.report.find(sjis(L"別の項目のデータと重なっています")), std::string::npos) << o.report;
  EXPECT_EQ(readFile(at("o\\alone.txt")), "alone");

  const Call l = unzip("-x \"" + archive("liar.zip") + "\" \"" + at("l") + "\\\"");
  EXPECT_EQ(l.result, dllsupport::kDamaged) << l.report;
  EXPECT_NE(l.report.find(sjis(L"記録された大きさを超えます")), std::string::npos) << l.report;
  EXPECT_FALSE(exists(at("l\\big.txt"))) << "a file that failed is not left behind";
  EXPECT_EQ(readFile(at("l\\ok.txt")), "fine");
}

TEST_F(UnZipTest, NotAZipAndAMissingArchiveAreNamed) {
  const std::string notZip = archives() + "src\\text.txt";
  EXPECT_FALSE(library().checkArchive(notZip.c_str(), 0));
  EXPECT_EQ(library().getFileCount(notZip.c_str()), -1);
  EXPECT_EQ(library().openArchive(nullptr, notZip.c_str(), archiver::kOpenModeList), nullptr);
  EXPECT_EQ(unzip("-x \"" + notZip + "\"").result, dllsupport::kNotArchive);
  EXPECT_EQ(unzip("-x \"" + at("none.zip") + "\"").result, dllsupport::kArchiveNotFound);
  // The full check decodes every entry: damage fails it, encryption does not.
  EXPECT_TRUE(library().checkArchive(archive("sjis.zip").c_str(), 2));
  EXPECT_FALSE(library().checkArchive(archive("liar.zip").c_str(), 2));
  EXPECT_TRUE(library().checkArchive(archive("7zaes256.zip").c_str(), 2));
  // Without an extension, ".zip" is tried.
  EXPECT_EQ(unzip("-l \"" + archives() + "sjis\"").result, 0);
}

}  // namespace
}  // namespace unziptest
