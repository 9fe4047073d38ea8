#include "registry.h"

#include <vector>

namespace reg {

Key Key::open(HKEY root, const std::string& path, REGSAM access) {
  HKEY h = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, access, &h) != ERROR_SUCCESS) return Key();
  return Key(h);
}

Key Key::create(HKEY root, const std::string& path, REGSAM access) {
  HKEY h = nullptr;
  DWORD disposition = 0;
  char cls[] = "Class";
  if (RegCreateKeyExA(root, path.c_str(), 0, cls, REG_OPTION_NON_VOLATILE, access, nullptr, &h, &disposition) !=
      ERROR_SUCCESS)
    return Key();
  return Key(h);
}

std::optional<std::string> Key::getString(const std::string& name) const {
  if (!h_) return std::nullopt;
  DWORD type = 0, size = 0;
  if (RegQueryValueExA(h_, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
  if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
  std::vector<char> buf(size + 1, '\0');
  if (RegQueryValueExA(h_, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buf.data()), &size) !=
      ERROR_SUCCESS)
    return std::nullopt;
  buf[size] = '\0';
  return std::string(buf.data());
}

bool Key::setString(const std::string& name, const std::string& value) const {
  if (!h_) return false;
  return RegSetValueExA(h_, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

bool deleteTree(HKEY root, const std::string& path) {
  {
    Key k = Key::open(root, path, KEY_READ | KEY_WRITE);
    if (!k) return true;
    // Children first: RegDeleteKeyA removes only keys without subkeys.
    for (;;) {
      char name[256];
      DWORD len = sizeof name;
      if (RegEnumKeyExA(k.get(), 0, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
      if (!deleteTree(root, path + "\\" + name)) return false;
    }
  }
  return RegDeleteKeyA(root, path.c_str()) == ERROR_SUCCESS;
}

}  // namespace reg
