// The text a command leaves in the caller's buffer: Japanese lines in Shift-JIS,
// one per file and a closing summary.
#pragma once
#include <cstddef>
#include <string>

namespace dllsupport {

class Report {
 public:
  // Lines end in CR LF, as Windows programs show them in an edit control.
  void line(const std::string& sjis);
  // "label: name", the usual form of a per-file line.
  void file(const char* label, const std::string& sjisName);
  // Raw text (an entry's contents for the `p` command), not cut into lines.
  void raw(const std::string& bytes);
  const std::string& text() const { return text_; }
  // Stops growing past this many bytes (the caller's buffer cannot hold more).
  void setLimit(size_t bytes) { limit_ = bytes; }
  bool full() const { return text_.size() >= limit_; }

  // Copies the text into buf: NUL-terminated, cut at a whole character, never
  // more than size bytes in all. Nothing when buf is null or size is 0.
  void writeTo(char* buf, size_t size) const;

 private:
  std::string text_;
  size_t limit_ = static_cast<size_t>(-1);
};

}  // namespace dllsupport
