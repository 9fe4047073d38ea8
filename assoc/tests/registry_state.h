// Test helpers: reading keys back exactly as stored, and a fixture that leaves
// every key DexOption may touch as it found it.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace assoc_test {

// The default value as stored: type REG_SZ and the length with its terminator.
struct StoredDefault {
  DWORD type = 0;
  std::string bytes;  // every stored byte, terminator included
};
std::optional<StoredDefault> storedDefault(HKEY root, const std::string& path);
bool keyExists(HKEY root, const std::string& path);
DWORD valueCount(HKEY root, const std::string& path);
std::string keyClass(HKEY root, const std::string& path);
void setDefault(HKEY root, const std::string& path, const std::string& value);
void setInstallFolder(const std::optional<std::string>& folder);

// Every extension and class key of the four types, and the install folder key.
std::vector<std::string> touchedClassesKeys();

// Deletes those keys before and after each test; extension keys that the
// prefix had before the test get their default value back afterwards.
class RegistryFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

}  // namespace assoc_test
