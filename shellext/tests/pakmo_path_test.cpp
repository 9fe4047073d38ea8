// The program path built from the installer's value, and the bounded copies of
// the menu and help texts.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <optional>

#include "pakmo_path.h"
#include "registry.h"
#include "shell_ext_ids.h"

namespace {

class PakmoPath : public ::testing::Test {
 protected:
  void SetUp() override {
    if (reg::Key key = reg::Key::open(HKEY_LOCAL_MACHINE, pkshlext::kInstallKey)) saved_ = key.getString(pkshlext::kInstallValue);
  }
  void TearDown() override {
    if (saved_)
      set(*saved_);
    else
      remove();
  }
  static void set(const std::string& folder) {
    reg::Key key = reg::Key::create(HKEY_LOCAL_MACHINE, pkshlext::kInstallKey);
    ASSERT_TRUE(key.setString(pkshlext::kInstallValue, folder));
  }
  static void remove() {
    if (reg::Key key = reg::Key::open(HKEY_LOCAL_MACHINE, pkshlext::kInstallKey, KEY_SET_VALUE))
      RegDeleteValueA(key.get(), pkshlext::kInstallValue);
  }
  std::optional<std::string> saved_;
};

TEST_F(PakmoPath, JoinsTheInstallFolderOrGivesTheBareProgramWithoutOne) {
  set("C:\\Program files\\Pakdex");
  EXPECT_EQ(pkshlext::pakmoPath(), "C:\\Program files\\Pakdex\\Pakmo.exe");
  // A folder of 300 bytes is more than the 260 the shell's paths hold; it stays whole.
  std::string longFolder = "C:\\" + std::string(297, 'd');
  set(longFolder);
  EXPECT_EQ(pkshlext::pakmoPath(), longFolder + "\\Pakmo.exe");
  remove();
  EXPECT_EQ(pkshlext::pakmoPath(), "\\Pakmo.exe");
}

TEST(CopyBounded, CutsAtAWholeCharacterAndAlwaysTerminates) {
  char buf[8];
  std::memset(buf, 'x', sizeof buf);
  pkshlext::copyBounded("ab", buf, sizeof buf);
  EXPECT_STREQ(buf, "ab");
  std::memset(buf, 'x', sizeof buf);
  pkshlext::copyBounded("abc", buf, 3);
  EXPECT_STREQ(buf, "ab");
  EXPECT_EQ(buf[3], 'x');
  // "圧縮(&L)" is 4 + 4 bytes: three bytes hold one double-byte character.
  std::memset(buf, 'x', sizeof buf);
  pkshlext::copyBounded(pkshlext::kMenuText, buf, 4);
  EXPECT_STREQ(buf, "圧");
  std::memset(buf, 'x', sizeof buf);
  pkshlext::copyBounded(pkshlext::kMenuText, buf, 1);
  EXPECT_EQ(buf[0], '\0');
  EXPECT_EQ(buf[1], 'x');
  pkshlext::copyBounded(pkshlext::kMenuText, nullptr, 0);  // nothing to write to, nothing written
}

}  // namespace
