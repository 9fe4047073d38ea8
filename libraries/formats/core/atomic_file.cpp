#include "core/atomic_file.h"

namespace fmt {

AtomicFile::AtomicFile(const std::string& target) : target_(target) {
  const std::string folder = platform::parentFolder(target);
  // CreateNew makes a race with another writer choosing the same name harmless.
  for (int attempt = 0;; ++attempt) {
    temp_ = platform::uniqueName(folder, "~fmt");
    try {
      file_ = platform::File::open(temp_, platform::File::CreateNew);
      return;
    } catch (const Error&) {
      if (attempt >= 3 || !platform::stat(temp_).exists) throw;
    }
  }
}

AtomicFile::~AtomicFile() {
  if (committed_) return;
  file_.reset();
  try {
    platform::removeFile(temp_);
  } catch (const Error&) {
  }
}

void AtomicFile::commit() {
  file_->close();
  platform::renameReplace(temp_, target_);
  committed_ = true;
  file_.reset();
}

}  // namespace fmt
