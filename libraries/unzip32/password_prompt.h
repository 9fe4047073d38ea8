// Where UnZip's encrypted entries get their passwords: -P when given, else the
// password dialog over the owner window; without either an entry is skipped.
#pragma once
#include <windows.h>

#include <optional>
#include <string>

#include "core/archive.h"

namespace unzip32 {

class PasswordPrompt {
 public:
  PasswordPrompt(HWND owner, std::optional<std::string> given) : owner_(owner), given_(std::move(given)) {}
  // The reader's PasswordFn: false skips the entry.
  bool operator()(const fmt::Entry& entry, std::string& password);
  size_t asked() const { return asked_; }

 private:
  HWND owner_;
  std::optional<std::string> given_;
  // "For the following files too": the answer given then, also a cancel.
  bool settled_ = false;
  std::optional<std::string> settledAnswer_;
  size_t asked_ = 0;
  const fmt::Entry* lastAsked_ = nullptr;  // asked again for it: the answer was wrong
};

}  // namespace unzip32
