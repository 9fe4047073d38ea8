// The shared dialogs on real windows, answered from a second thread.
#include <gtest/gtest.h>

#include "dialog_driver.h"
#include "dialogs.h"
#include "dialogs_resource.h"

using testdialogs::DialogDriver;

namespace {

TEST(Dialogs, OverwriteQuestionNamesTheFileAndGivesEachAnswer) {
  HWND owner = testdialogs::makeOwner();
  ASSERT_TRUE(owner);
  const struct {
    int button;
    fmt::OverwriteAnswer answer;
  } cases[] = {{IDYES, fmt::OverwriteAnswer::Yes},
               {IDNO, fmt::OverwriteAnswer::No},
               {IDC_DLLS_YESTOALL, fmt::OverwriteAnswer::YesToAll},
               {IDCANCEL, fmt::OverwriteAnswer::Cancel}};
  for (const auto& c : cases) {
    DialogDriver d("上書きの確認", c.button, 0, {}, IDC_DLLS_FILE);
    EXPECT_EQ(dllsupport::askOverwrite(owner, "C:\\表\\ソ.txt"), c.answer);
    EXPECT_TRUE(d.found);
    EXPECT_EQ(d.seen, "C:\\表\\ソ.txt");
  }
  DestroyWindow(owner);
}

TEST(Dialogs, TextInputReturnsTheTypedTextOrCancel) {
  HWND owner = testdialogs::makeOwner();
  std::string value = "old.txt";
  {
    DialogDriver d("名前の変更", IDOK, IDC_DLLS_EDIT, "新しい表.txt");
    EXPECT_TRUE(dllsupport::askText(owner, "名前の変更", "新しい名前", value));
  }
  EXPECT_EQ(value, "新しい表.txt");
  {
    DialogDriver d("名前の変更", IDCANCEL, IDC_DLLS_EDIT, "ignored");
    EXPECT_FALSE(dllsupport::askText(owner, "名前の変更", "新しい名前", value));
  }
  EXPECT_EQ(value, "新しい表.txt");
  DestroyWindow(owner);
}

TEST(Dialogs, PasswordIsMaskedAndTellsWhetherItHoldsForTheFollowingFiles) {
  HWND owner = testdialogs::makeOwner();
  // The line is masked: nobody looking on reads the password.
  HWND shown = CreateDialogParamA(dllsupport::moduleInstance(), MAKEINTRESOURCEA(IDD_DLLS_PASSWORD), owner,
                                  [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
  ASSERT_TRUE(shown);
  EXPECT_TRUE(GetWindowLongA(GetDlgItem(shown, IDC_DLLS_EDIT), GWL_STYLE) & ES_PASSWORD);
  EXPECT_EQ(IsDlgButtonChecked(shown, IDC_DLLS_FORALL), BST_UNCHECKED);
  DestroyWindow(shown);

  std::string password = "before";
  bool forAll = true;
  {
    DialogDriver d("パスワードの入力", IDOK, IDC_DLLS_EDIT, "表pass", IDC_DLLS_FILE);
    EXPECT_TRUE(dllsupport::askPassword(owner, "フォルダ\\ソ.txt", password, forAll));
    EXPECT_EQ(d.seen, "フォルダ\\ソ.txt");
  }
  EXPECT_EQ(password, "表pass");
  EXPECT_FALSE(forAll);
  {
    DialogDriver d("パスワードの入力", IDOK, IDC_DLLS_EDIT, "", 0, 1, IDC_DLLS_FORALL);
    EXPECT_TRUE(dllsupport::askPassword(owner, "a.txt", password, forAll));
  }
  EXPECT_EQ(password, "") << "an empty password is a password";
  EXPECT_TRUE(forAll);
  {
    DialogDriver d("パスワードの入力", IDCANCEL, IDC_DLLS_EDIT, "typed", 0, 1, IDC_DLLS_FORALL);
    EXPECT_FALSE(dllsupport::askPassword(owner, "a.txt", password, forAll));
  }
  EXPECT_EQ(password, "") << "a cancel leaves the password alone";
  EXPECT_TRUE(forAll) << "a cancel may also hold for the following files";
  DestroyWindow(owner);
}

TEST(Dialogs, ProgressAppearsAfterHalfASecondAndCancelStops) {
  HWND owner = testdialogs::makeOwner();
  dllsupport::ProgressWindow quiet(nullptr, true);
  EXPECT_TRUE(quiet.update("a", 1, 2));
  EXPECT_EQ(quiet.window(), nullptr);  // no owner: nothing is shown

  dllsupport::ProgressWindow p(owner, true);
  EXPECT_TRUE(p.update("a.txt", 0, 10));
  EXPECT_EQ(p.window(), nullptr);  // too early to show
  DialogDriver d("処理中", IDCANCEL, 0, {}, IDC_DLLS_FILE);
  bool going = true;
  for (int i = 0; i < 2000 && going; ++i) {
    going = p.update("表\\b.txt", static_cast<uint64_t>(i), 2000);
    Sleep(10);
  }
  EXPECT_FALSE(going);
  EXPECT_TRUE(p.cancelled());
  EXPECT_NE(p.window(), nullptr);
  EXPECT_EQ(d.seen, "表\\b.txt");
  DestroyWindow(owner);
}

}  // namespace
