#include "command_line.h"

#include "base/error.h"
#include "platform/platform.h"
#include "sjis_path.h"

namespace dllsupport {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

constexpr size_t kMaxResponseFile = 16u << 20;
constexpr int kMaxDepth = 8;

std::string trimmed(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && isBlank(s[b])) ++b;
  while (e > b && isBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

void expandInto(const std::string& text, int depth, std::vector<Token>& out) {
  // The viewer passes "@" + a temporary path that may hold blanks.
  const std::string whole = trimmed(text);
  if (whole.size() > 1 && whole[0] == '@' && whole.find('"') == std::string::npos &&
      whole.find_first_of(" \t") != std::string::npos && fileExists(whole.substr(1))) {
    if (depth >= kMaxDepth) fmt::fail(fmt::ErrorKind::Usage, "response files nested too deeply");
    expandInto(readResponseFile(whole.substr(1)), depth + 1, out);
    return;
  }
  for (Token& t : tokenize(text)) {
    if (!t.quoted && t.text.size() > 1 && t.text[0] == '@') {
      if (depth >= kMaxDepth) fmt::fail(fmt::ErrorKind::Usage, "response files nested too deeply");
      expandInto(readResponseFile(t.text.substr(1)), depth + 1, out);
    } else {
      out.push_back(std::move(t));
    }
  }
}

}  // namespace

std::vector<Token> tokenize(const std::string& text) {
  std::vector<Token> out;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && isBlank(text[i])) ++i;
    if (i >= text.size()) break;
    Token t;
    bool inQuote = false;
    // Quotes and blanks are ASCII and never a Shift-JIS trail byte, so bytes can be
    // looked at one by one here.
    for (; i < text.size(); ++i) {
      const char c = text[i];
      if (c == '"') {
        if (t.text.empty() && !inQuote) t.quoted = true;
        inQuote = !inQuote;
      } else if (!inQuote && isBlank(c)) {
        break;
      } else {
        t.text += c;
      }
    }
    out.push_back(std::move(t));
  }
  return out;
}

std::string readResponseFile(const std::string& sjisPath) {
  auto f = fmt::platform::File::open(toEnginePath(sjisPath), fmt::platform::File::Read);
  const uint64_t size = f->size();
  if (size > kMaxResponseFile) fmt::fail(fmt::ErrorKind::Usage, "response file too large: " + sjisPath);
  std::string text(static_cast<size_t>(size), '\0');
  fmt::readExact(*f, text.data(), text.size(), "response file");
  return text;
}

std::vector<Token> expandCommandLine(const std::string& text) {
  std::vector<Token> out;
  expandInto(text, 0, out);
  return out;
}

}  // namespace dllsupport
