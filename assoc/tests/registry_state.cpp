#include "registry_state.h"

#include "associations.h"
#include "registry.h"

namespace assoc_test {

namespace {
constexpr char kInstallKey[] = "Software\\Varn Software\\Pakmo";
constexpr char kVendorKey[] = "Software\\Varn Software";
}  // namespace

std::optional<StoredDefault> storedDefault(HKEY root, const std::string& path) {
  reg::Key key = reg::Key::open(root, path);
  if (!key) return std::nullopt;
  StoredDefault d;
  DWORD size = 0;
  if (RegQueryValueExA(key.get(), "", nullptr, &d.type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
  d.bytes.resize(size);
  if (RegQueryValueExA(key.get(), "", nullptr, &d.type, reinterpret_cast<BYTE*>(d.bytes.data()), &size) !=
      ERROR_SUCCESS)
    return std::nullopt;
  d.bytes.resize(size);
  return d;
}

bool keyExists(HKEY root, const std::string& path) { return static_cast<bool>(reg::Key::open(root, path)); }

DWORD valueCount(HKEY root, const std::string& path) {
  reg::Key key = reg::Key::open(root, path);
  DWORD values = 0;
  if (!key || RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr,
                               nullptr, nullptr, nullptr) != ERROR_SUCCESS)
    return ~0u;
  return values;
}

std::string keyClass(HKEY root, const std::string& path) {
  reg::Key key = reg::Key::open(root, path);
  char cls[64] = {};
  DWORD len = sizeof cls;
  if (!key || RegQueryInfoKeyA(key.get(), cls, &len, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr) != ERROR_SUCCESS)
    return "?";
  return std::string(cls, len);
}

void setDefault(HKEY root, const std::string& path, const std::string& value) {
  reg::Key key = reg::Key::create(root, path);
  ASSERT_TRUE(key) << path;
  ASSERT_TRUE(key.setString("", value)) << path;
}

void setInstallFolder(const std::optional<std::string>& folder) {
  reg::deleteTree(HKEY_LOCAL_MACHINE, kInstallKey);
  if (!folder) return;
  reg::Key key = reg::Key::create(HKEY_LOCAL_MACHINE, kInstallKey);
  ASSERT_TRUE(key);
  ASSERT_TRUE(key.setString("Install Folder", *folder));
}

std::vector<std::string> touchedClassesKeys() {
  std::vector<std::string> keys;
  for (const auto& type : assoc::archiveTypes()) {
    for (const char* ext : type.extensions) keys.push_back(ext);
    keys.push_back(type.classKey);
  }
  return keys;
}

void RegistryFixture::SetUp() {
  saved_.clear();
  for (const std::string& key : touchedClassesKeys()) {
    if (key[0] == '.' && keyExists(HKEY_CLASSES_ROOT, key)) {
      reg::Key k = reg::Key::open(HKEY_CLASSES_ROOT, key);
      saved_.emplace_back(key, k.getString(""));
    }
    reg::deleteTree(HKEY_CLASSES_ROOT, key);
  }
  reg::deleteTree(HKEY_LOCAL_MACHINE, kInstallKey);
}

void RegistryFixture::TearDown() {
  for (const std::string& key : touchedClassesKeys()) reg::deleteTree(HKEY_CLASSES_ROOT, key);
  for (const auto& [key, value] : saved_) {
    reg::Key k = reg::Key::create(HKEY_CLASSES_ROOT, key);
    if (k && value) k.setString("", *value);
  }
  reg::deleteTree(HKEY_LOCAL_MACHINE, kInstallKey);
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, kVendorKey);  // only when empty
}

}  // namespace assoc_test
