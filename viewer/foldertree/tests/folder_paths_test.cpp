// The chooser's path rules: the walk's comparison, its start, new-folder names.
#include "folder_paths.h"

#include <gtest/gtest.h>

#include <set>

using namespace foldertree;

TEST(FolderPaths, LowerCaseTakesDoubleByteLettersAndKeepsTrailBytes) {
  EXPECT_EQ(LowerAnsi("C:\\Users\\ＡＢ表\\"), "c:\\users\\ａｂ表\\");
  EXPECT_EQ(LowerAnsi("ソ\\X"), "ソ\\x") << "the trail byte 0x5C of ソ is not a letter";
  EXPECT_EQ(LowerAnsi(""), "");
}

TEST(FolderPaths, TheWalkDescendsThroughPrefixesAndStopsOnTheWholePath) {
  const std::string wanted = "c:\\work\\表\\";
  EXPECT_EQ(CompareWalkStep(wanted, "C:\\"), WalkStep::Descend);
  EXPECT_EQ(CompareWalkStep(wanted, "C:\\Work"), WalkStep::Descend) << "the backslash is added before comparing";
  EXPECT_EQ(CompareWalkStep(wanted, "C:\\WORK\\表"), WalkStep::Found);
  EXPECT_EQ(CompareWalkStep(wanted, "C:\\Workshop"), WalkStep::NextSibling) << "a name that merely begins alike";
  EXPECT_EQ(CompareWalkStep(wanted, "D:\\"), WalkStep::NextSibling);
  EXPECT_EQ(CompareWalkStep(wanted, "C:\\work\\表\\深い"), WalkStep::NextSibling) << "longer than the path";
  EXPECT_EQ(CompareWalkStep(wanted, ""), WalkStep::NextSibling) << "a virtual item is a lone backslash";
  EXPECT_EQ(CompareWalkStep("\\\\server\\share\\", ""), WalkStep::Descend) << "network paths walk through virtual items";
}

TEST(FolderPaths, TheWalkStartsUnderTheDesktopFromTheRoot) {
  const std::string desktop = "c:\\users\\me\\desktop";
  EXPECT_EQ(ChooseWalkStart("c:\\users\\me\\desktop\\a\\", desktop), WalkStart::Root);
  EXPECT_EQ(ChooseWalkStart("c:\\users\\me\\", desktop), WalkStart::FirstChild);
  EXPECT_EQ(ChooseWalkStart("\\\\server\\share\\", desktop), WalkStart::SecondChild);
  EXPECT_TRUE(IsDriveRoot("C:\\"));
  EXPECT_FALSE(IsDriveRoot("C:\\x"));
  EXPECT_FALSE(IsDriveRoot("C:"));
}

TEST(FolderPaths, NewFolderNamesCountFromTwoAndGiveUpAfter199) {
  std::set<std::string> taken;
  auto exists = [&](const std::string& p) { return taken.count(p) != 0; };
  const std::string base = "c:\\表\\";
  EXPECT_EQ(ChooseNewFolderPath(base, exists), base + "新しいﾌｫﾙﾀﾞ");
  taken.insert(base + "新しいﾌｫﾙﾀﾞ");
  taken.insert(base + "新しいﾌｫﾙﾀﾞ(2)");
  EXPECT_EQ(ChooseNewFolderPath(base, exists), base + "新しいﾌｫﾙﾀﾞ(3)");
  for (int n = 3; n <= 198; n++) taken.insert(base + "新しいﾌｫﾙﾀﾞ(" + std::to_string(n) + ")");
  EXPECT_EQ(ChooseNewFolderPath(base, exists), base + "新しいﾌｫﾙﾀﾞ(199)") << "199 is the last number tried";
  taken.insert(base + "新しいﾌｫﾙﾀﾞ(199)");
  int asked = 0;
  EXPECT_EQ(ChooseNewFolderPath(base, [&](const std::string& p) { asked++; return exists(p); }), "");
  EXPECT_EQ(asked, 199) << "the plain name and the numbers 2 to 199, nothing beyond";
}
