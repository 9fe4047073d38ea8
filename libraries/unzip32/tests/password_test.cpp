// Encrypted entries (ZipCrypto from zip -e and 7z, AES-128 and AES-256 from 7z)
// through the password dialog, answered as a user would, and without a window.
#include "dialog_driver.h"
#include "dialogs_resource.h"
#include "results.h"
#include "unzip32_fixture.h"

namespace unziptest {
namespace {

using testdialogs::DialogDriver;

const char kCaption[] = "パスワードの入力";

struct Encrypted {
  const char* archive;
  const char* password;
};
const Encrypted kEncrypted[] = {
    {"infoenc.zip", "zip pass"}, {"7zzipcrypto.zip", "7z pass"}, {"7zaes128.zip", "7z pass"}, {"7zaes256.zip", "7z pass"}};

TEST_F(UnZipTest, TheRightPasswordTypedOnceOpensEveryEntry) {
  HWND owner = testdialogs::makeOwner();
  for (const auto& c : kEncrypted) {
    SCOPED_TRACE(c.archive);
    const std::string out = at(std::string("ok_") + c.archive);
    Call r;
    {
      DialogDriver d(kCaption, IDOK, IDC_DLLS_EDIT, c.password, IDC_DLLS_FILE, 5);
      r = unzip("-x \"" + archive(c.archive) + "\" \"" + out + "\\\"", owner);
      // Asked once: the password that opened the first entry opens the others.
      EXPECT_EQ(d.answered, 1);
    }
    EXPECT_EQ(r.result, 0) << r.report;
    expectTreeExtracted(out);
  }
  DestroyWindow(owner);
}

TEST_F(UnZipTest, AWrongPasswordIsSaidPlainlyAndWritesNothing) {
  HWND owner = testdialogs::makeOwner();
  for (const auto& c : kEncrypted) {
    SCOPED_TRACE(c.archive);
    const std::string out = at(std::string("bad_") + c.archive);
    Call r;
    {
      // Wrong each time it asks; the dialog says so from the second time on.
      DialogDriver d(kCaption, IDOK, IDC_DLLS_EDIT, "not it", 0, 40);
      r = unzip("-x \"" + archive(c.archive) + "\" \"" + out + "\\\" text.txt", owner);
      EXPECT_GE(d.answered, 1);
      EXPECT_LE(d.answered, 3) << "one entry asks a bounded number of times";
    }
    EXPECT_EQ(r.result, dllsupport::kPassword) << r.report;
    EXPECT_NE(r.report.find("パスワードが違います"), std::string::npos) << r.report;
    EXPECT_FALSE(exists(out + "\\text.txt"));
  }
  DestroyWindow(owner);
}

TEST_F(UnZipTest, CancelSkipsTheEntryAndTheCheckBoxHoldsForTheRest) {
  HWND owner = testdialogs::makeOwner();
  const std::string zip = archive("7zaes256.zip");
  {
    // Cancel on each question: every encrypted file is skipped, each asking.
    DialogDriver d(kCaption, IDCANCEL, 0, {}, 0, 10);
    const Call r = unzip("-x \"" + zip + "\" \"" + at("c1") + "\\\"", owner);
    EXPECT_EQ(r.result, dllsupport::kPassword) << r.report;
    EXPECT_NE(r.report.find("パスワードがないため処理しませんでした"), std::string::npos) << r.report;
    EXPECT_EQ(d.answered, 4) << "four encrypted files, each asked about";
  }
  EXPECT_FALSE(exists(at("c1\\text.txt")));
  {
    // Cancel with "for the following files too": asked once, all skipped.
    DialogDriver d(kCaption, IDCANCEL, 0, {}, 0, 10, IDC_DLLS_FORALL);
    const Call r = unzip("-x \"" + zip + "\" \"" + at("c2") + "\\\"", owner);
    EXPECT_EQ(r.result, dllsupport::kPassword) << r.report;
    EXPECT_EQ(d.answered, 1);
  }
  EXPECT_FALSE(exists(at("c2\\noise.bin")));
  DestroyWindow(owner);
}

TEST_F(UnZipTest, WithoutAWindowEncryptedEntriesAreSkippedUnlessMinusPGivesThePassword) {
  const std::string zip = archive("7zaes128.zip");
  const Call r = unzip("-x \"" + zip + "\" \"" + at("n") + "\\\"");
  EXPECT_EQ(r.result, dllsupport::kPassword) << r.report;
  EXPECT_NE(r.report.find("パスワードが指定されていません"), std::string::npos) << r.report;
  EXPECT_FALSE(exists(at("n\\text.txt")));
  const Call p = unzip("-x -P\"7z pass\" \"" + zip + "\" \"" + at("p") + "\\\"");
  EXPECT_EQ(p.result, 0) << p.report;
  expectTreeExtracted(at("p"));
  const Call t = unzip("-t -P\"7z pass\" \"" + zip + "\"");
  EXPECT_EQ(t.result, 0) << t.report;
}

}  // namespace
}  // namespace unziptest
