// A file written under a temporary name in the target's folder and put in place
// by commit(); destroyed uncommitted it removes the temporary file. Every rewrite
// of an archive and every extracted file goes through it.
#pragma once
#include <memory>
#include <string>

#include "platform/platform.h"

namespace fmt {

class AtomicFile {
 public:
  explicit AtomicFile(const std::string& target);
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;
  platform::File& file() { return *file_; }
  const std::string& tempPath() const { return temp_; }
  void commit();  // closes, then renames over the target; throws on failure

 private:
  std::string target_, temp_;
  std::unique_ptr<platform::File> file_;
  bool committed_ = false;
};

}  // namespace fmt
