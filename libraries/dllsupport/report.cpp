#include "report.h"

#include <cstring>

#include "sjis_path.h"

namespace dllsupport {

void Report::line(const std::string& sjis) {
  if (full()) return;
  text_ += sjis;
  text_ += "\r\n";
}

void Report::file(const char* label, const std::string& sjisName) { line(std::string(label) + ": " + sjisName); }

void Report::raw(const std::string& bytes) {
  if (full()) return;
  text_.append(bytes, 0, std::min(bytes.size(), limit_ - text_.size()));
}

void Report::writeTo(char* buf, size_t size) const {
  if (!buf || size == 0) return;
  const std::string cut = cutAtCharacter(text_, size - 1);
  std::memcpy(buf, cut.data(), cut.size());
  buf[cut.size()] = '\0';
}

}  // namespace dllsupport
