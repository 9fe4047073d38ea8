#include "registry.h"

#include <gtest/gtest.h>

namespace {
const char* kTestKey = "Software\\Varn Software Factory\\RegistryTest";
}

TEST(Registry, StringValuesRoundTripAndCountTheTerminator) {
  reg::deleteTree(HKEY_CURRENT_USER, kTestKey);
  {
    reg::Key k = reg::Key::create(HKEY_CURRENT_USER, kTestKey);
    ASSERT_TRUE(k);
    EXPECT_TRUE(k.setString("Name", "値テスト"));
    DWORD type = 0, size = 0;
    ASSERT_EQ(RegQueryValueExA(k.get(), "Name", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, std::string("値テスト").size() + 1);
  }
  reg::Key r = reg::Key::open(HKEY_CURRENT_USER, kTestKey);
  ASSERT_TRUE(r);
  EXPECT_EQ(r.getString("Name").value_or("?"), "値テスト");
  EXPECT_EQ(r.getString("name").value_or("?"), "値テスト");  // value names ignore case
  EXPECT_FALSE(r.getString("Missing").has_value());
  r.close();
  EXPECT_TRUE(reg::deleteTree(HKEY_CURRENT_USER, kTestKey));
  EXPECT_FALSE(reg::Key::open(HKEY_CURRENT_USER, kTestKey));
}

TEST(Registry, DeleteTreeRemovesSubkeys) {
  reg::Key::create(HKEY_CURRENT_USER, std::string(kTestKey) + "\\a\\b").setString("x", "1");
  EXPECT_TRUE(reg::deleteTree(HKEY_CURRENT_USER, kTestKey));
  EXPECT_FALSE(reg::Key::open(HKEY_CURRENT_USER, kTestKey));
}
