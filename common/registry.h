// Registry helpers: REG_SZ values whose stored length counts the terminating
// zero, numbers as decimal text, keys created with the class string "Class".
#pragma once
#include <windows.h>

#include <optional>
#include <string>

namespace reg {

// An open key, closed at destruction.
class Key {
 public:
  Key() = default;
  explicit Key(HKEY h) : h_(h) {}
  ~Key() { close(); }
  Key(Key&& o) noexcept : h_(o.h_) { o.h_ = nullptr; }
  Key& operator=(Key&& o) noexcept {
    if (this != &o) {
      close();
      h_ = o.h_;
      o.h_ = nullptr;
    }
    return *this;
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;

  static Key open(HKEY root, const std::string& path, REGSAM access = KEY_READ);
  static Key create(HKEY root, const std::string& path, REGSAM access = KEY_ALL_ACCESS);

  explicit operator bool() const { return h_ != nullptr; }
  HKEY get() const { return h_; }

  std::optional<std::string> getString(const std::string& name) const;
  bool setString(const std::string& name, const std::string& value) const;
  void close() {
    if (h_) RegCloseKey(h_);
    h_ = nullptr;
  }

 private:
  HKEY h_ = nullptr;
};

// Deletes a key and everything below it; true when it is gone afterwards.
bool deleteTree(HKEY root, const std::string& path);

}  // namespace reg
