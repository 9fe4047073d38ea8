// Archives that Info-ZIP zip and 7z wrote, and crafted ones with Shift-JIS,
// UTF-8 and ZIP64 headers: listed with the right names, extracted byte for byte.
#include <algorithm>

#include "unzip32_fixture.h"

namespace unziptest {
namespace {

bool has(const std::vector<std::string>& v, const std::string& s) { return std::find(v.begin(), v.end(), s) != v.end(); }

TEST_F(UnZipTest, EveryToolMadeArchiveListsAndExtractsItsTree) {
  const std::string japanese = "sub\\inner\\" + sjis(L"日本語の名前.txt");
  for (const char* name : {"info0.zip", "info1.zip", "info6.zip", "info9.zip", "infobz2.zip", "infostream.zip",
                           "7zdeflate.zip", "7zdeflate64.zip", "7zbzip2.zip"}) {
    SCOPED_TRACE(name);
    const std::string zip = archive(name);
    const std::vector<std::string> listed = names(zip);
    EXPECT_TRUE(has(listed, "text.txt"));
    EXPECT_TRUE(has(listed, japanese)) << "the UTF-8 name comes out in Shift-JIS";
    EXPECT_EQ(library().getFileCount(zip.c_str()), static_cast<int>(listed.size()));
    EXPECT_TRUE(library().checkArchive(zip.c_str(), 0));
    const std::string out = at(std::string("out_") + name);
    const Call r = unzip("-x  \"" + zip + "\" \"" + out + "\\\" *.*");
    EXPECT_EQ(r.result, 0) << r.report;
    expectTreeExtracted(out);
    const Call t = unzip("-t \"" + zip + "\"");
    EXPECT_EQ(t.result, 0) << t.report;
  }
}

TEST_F(UnZipTest, ShiftJisNamesWithTrailBytesAndUtf8NamesAreListedAndCreatedExactly) {
  const std::string zip = archive("sjis.zip");
  const std::vector<std::string> listed = names(zip);
  // 表 and ソ end in 5C, 十 in 5C too: never a folder break.
  const std::vector<std::string> want = {sjis(L"表\\ソ.txt"), sjis(L"予定表.txt"), sjis(L"能力\\十.txt"),
                                         sjis(L"ﾊﾝｶｸ.txt")};
  EXPECT_EQ(listed, want);
  const Call r = unzip("-x \"" + zip + "\" \"" + at("sj") + "\\\"");
  EXPECT_EQ(r.result, 0) << r.report;
  for (const auto& n : want) EXPECT_EQ(readFile(at("sj\\" + n)), sjis(L"内容 ") + n) << n;
  // A name given back as listed picks exactly that entry.
  const Call one = unzip("-x -o \"" + zip + "\" \"" + at("one") + "\\\" \"" + want[0] + "\"");
  EXPECT_EQ(one.result, 0) << one.report;
  EXPECT_TRUE(exists(at("one\\" + want[0])));
  EXPECT_FALSE(exists(at("one\\" + want[1])));

  const std::string u = archive("utf8.zip");
  // 한글 has no Shift-JIS form: the record shows stand-ins, the disk the real name.
  EXPECT_EQ(names(u), (std::vector<std::string>{sjis(L"フラグ付き.txt"), "__.txt", sjis(L"ユニコード名.txt")}));
  const Call ru = unzip("-x \"" + u + "\" \"" + at("u") + "\\\"");
  EXPECT_EQ(ru.result, 0) << ru.report;
  EXPECT_EQ(readFile(at("u\\" + sjis(L"ユニコード名.txt"))), "from the field");
  const std::wstring korean = librarytest::wide(at("u")) + L"\\\uD55C\uAE00.txt";
  EXPECT_NE(GetFileAttributesW(korean.c_str()), INVALID_FILE_ATTRIBUTES) << "created under its own characters";
  EXPECT_FALSE(exists(at("u\\__.txt")));
}

TEST_F(UnZipTest, Zip64AndMoreThan65535Entries) {
  const std::string big = archive("zip64.zip");
  const auto records = listing(big);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_STREQ(records[0].name, "huge.bin");
  EXPECT_EQ(records[0].originalSize, 12345u) << "the low 32 bits of 4 GiB + 12345";
  // The entry after the 4 GiB one: its offset needs 64 bits.
  const Call r = unzip("-x \"" + big + "\" \"" + at("z64") + "\\\" after.txt");
  EXPECT_EQ(r.result, 0) << r.report;
  EXPECT_EQ(readFile(at("z64\\after.txt")), "after the hole\r\n");
  EXPECT_FALSE(exists(at("z64\\huge.bin")));

  const std::string many = archive("many.zip");
  EXPECT_EQ(library().getFileCount(many.c_str()), 65600);
  const auto all = names(many);
  ASSERT_EQ(all.size(), 65600u);
  EXPECT_TRUE(has(all, "f65599") && has(all, "f00000") && has(all, "f32768"));
  const Call rm = unzip("-x \"" + many + "\" \"" + at("many") + "\\\" f65599 f00000");
  EXPECT_EQ(rm.result, 0) << rm.report;
  EXPECT_TRUE(exists(at("many\\f65599")));
  EXPECT_TRUE(exists(at("many\\f00000")));
}

}  // namespace
}  // namespace unziptest
