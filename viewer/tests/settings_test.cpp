// The settings in the real registry of the test prefix.
#include "viewer_settings.h"

#include <gtest/gtest.h>

#include "registry.h"

namespace {

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override { reg::deleteTree(HKEY_CURRENT_USER, kViewerSettingsKey); }
  void TearDown() override { reg::deleteTree(HKEY_CURRENT_USER, kViewerSettingsKey); }
  reg::Key key() { return reg::Key::create(HKEY_CURRENT_USER, kViewerSettingsKey); }
};

TEST_F(SettingsTest, FirstStartCreatesTheKeyAndFailsThenSavingWritesElevenValues) {
  ViewerSettings s;
  EXPECT_FALSE(LoadViewerSettings(s));
  EXPECT_TRUE(reg::Key::open(HKEY_CURRENT_USER, kViewerSettingsKey)) << "the read creates the key";
  s.windowRect = RECT{12, 34, 560, 780};
  s.columnWidths[2] = 77;
  s.viewerPath = "C:\\表示\\viewer.exe";
  s.lastFolder = "D:\\ソフト\\";
  s.hideNotice = true;
  SaveViewerSettings(s);
  reg::Key k = key();
  DWORD values = 0;
  RegQueryInfoKeyA(k.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                   nullptr);
  EXPECT_EQ(values, 11u);
  EXPECT_EQ(k.getString("Left").value_or(""), "12");
  EXPECT_EQ(k.getString("Top").value_or(""), "34");
  EXPECT_EQ(k.getString("Width").value_or(""), "560");
  EXPECT_EQ(k.getString("Hight").value_or(""), "780");
  EXPECT_EQ(k.getString("ViewMessage").value_or(""), "TRUE");
  ViewerSettings back;
  ASSERT_TRUE(LoadViewerSettings(back));
  EXPECT_EQ(back.windowRect.left, 12);
  EXPECT_EQ(back.windowRect.bottom, 780);
  EXPECT_EQ(back.columnWidths[2], 77);
  EXPECT_EQ(back.viewerPath, s.viewerPath);
  EXPECT_EQ(back.lastFolder, s.lastFolder);
  EXPECT_TRUE(back.hideNotice);
}

TEST_F(SettingsTest, ReadRules) {
  reg::Key k = key();
  k.setString("Top", "abc");
  k.setString("Left", "  -42px");
  k.setString("COL0", "+90");  // value names ignore case
  k.setString("ViewMessage", "false");
  k.setString("LastDir", "C:\\x");
  ViewerSettings s;
  ASSERT_TRUE(LoadViewerSettings(s));
  EXPECT_EQ(s.windowRect.top, 0) << "letters only read as 0";
  EXPECT_EQ(s.windowRect.left, -42);
  EXPECT_EQ(s.columnWidths[0], 90);
  EXPECT_TRUE(s.hideNotice) << "only FALSE exactly means false";
  k.setString("ViewMessage", "FALSE");
  ASSERT_TRUE(LoadViewerSettings(s));
  EXPECT_FALSE(s.hideNotice);
}

TEST_F(SettingsTest, MissingCol0FailsButKeepsTheLastFolderReadBeforeIt) {
  reg::Key k = key();
  k.setString("Top", "5");
  k.setString("LastDir", "E:\\out\\");
  ViewerSettings s;
  EXPECT_FALSE(LoadViewerSettings(s));
  EXPECT_EQ(s.lastFolder, "E:\\out\\");
  EXPECT_EQ(ParseSettingNumber("99999999999"), 2147483647);
  EXPECT_EQ(ParseSettingNumber("12ab3"), 12);
}

}  // namespace
