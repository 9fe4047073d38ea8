#include "password_prompt.h"

#include "dialogs.h"
#include "item_info.h"

namespace unzip32 {

bool PasswordPrompt::operator()(const fmt::Entry& entry, std::string& password) {
  if (given_) {
    password = *given_;
    return true;
  }
  if (settled_) {
    if (!settledAnswer_) return false;
    password = *settledAnswer_;
    return true;
  }
  if (!owner_) return false;
  ++asked_;
  std::string typed;
  bool forAll = false;
  const bool again = lastAsked_ == &entry;
  lastAsked_ = &entry;
  const bool ok = dllsupport::askPassword(owner_, dllsupport::reportedName(entry), typed, forAll, again);
  if (forAll) {
    settled_ = true;
    if (ok) settledAnswer_ = typed;
  }
  if (!ok) return false;
  password = typed;
  return true;
}

}  // namespace unzip32
