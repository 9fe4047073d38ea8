#include "tar_options.h"

#include <cstring>
#include <deque>

#include "base/error.h"
#include "core/entry.h"
#include "operands.h"

namespace tar32 {

namespace {

[[noreturn]] void bad(const std::string& what) { fmt::fail(fmt::ErrorKind::Usage, what); }

bool isCommand(char c) { return std::strchr("crxtk", c) != nullptr; }

// The switches that take the next operand, in the order they were given.
enum class Takes { Archive, Folder, Date, Blocking };

// One group of letters: "xvf", "-vfz6", "xfI". Returns false when the text is
// no group (then it is an operand).
void applyGroup(const std::string& group, TarOptions& o, std::deque<Takes>& takes) {
  for (size_t i = 0; i < group.size(); ++i) {
    const char c = group[i];
    auto digit = [&](int& value) {
      if (i + 1 < group.size() && group[i + 1] >= '0' && group[i + 1] <= '9') value = group[++i] - '0';
    };
    if (isCommand(c)) {
      if (o.command && o.command != c) bad(std::string("two commands given: ") + o.command + " and " + c);
      o.command = c;
      continue;
    }
    switch (c) {
      case 'v': o.verbose = true; break;
      case 'z':
        o.compression = Compression::Gzip;
        o.level = 6;
        digit(o.level);
        if (o.level == 0) o.compression = Compression::None;  // z0: level 0, no compression
        break;
      case 'B':
        o.compression = Compression::Bzip2;
        o.level = 9;
        digit(o.level);
        if (o.level == 0) o.compression = Compression::None;
        break;
      case 'f': takes.push_back(Takes::Archive); break;
      case 'o': takes.push_back(Takes::Folder); break;
      case 'N': takes.push_back(Takes::Date); break;
      case 'b': takes.push_back(Takes::Blocking); break;
      case 'q': o.neverReplace = true; break;
      case 'n': o.quiet = true; break;
      case 'p': o.toReport = true; break;
      case 'l': o.noAttributes = true; break;
      case 'e': o.eucJpNames = true; break;
      // Accepted without effect (see README): our archives always carry GNU
      // tar's and POSIX headers, data is written byte for byte and verified by
      // its atomic rename, read-only files are always replaced with care.
      case 'a': case 'g': case 'E': case 'R': case 'i': case 'I': break;
      case 'A':
        if (i + 1 < group.size() && (group[i + 1] == 'A' || group[i + 1] == 'H')) ++i;
        break;
      case 'P':
        if (i + 1 < group.size() && std::strchr("9FA", group[i + 1])) ++i;
        break;
      case 'M': fmt::fail(fmt::ErrorKind::Unsupported, "multi-volume archives (M) are not supported");
      default: bad(std::string("unknown switch ") + c + " in " + group);
    }
  }
}

bool onlyDigits(const std::string& s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

}  // namespace

bool parseDate(const std::string& text, int64_t& seconds) {
  std::string d;
  for (char c : text)
    if (c != '-' && c != '/' && c != ':' && c != ' ') d += c;
  if (!onlyDigits(d) || (d.size() != 8 && d.size() != 12 && d.size() != 14)) return false;
  auto num = [&](size_t at, size_t n) { return std::stoi(d.substr(at, n)); };
  const int y = num(0, 4), mo = num(4, 2), day = num(6, 2);
  const int h = d.size() >= 12 ? num(8, 2) : 0, mi = d.size() >= 12 ? num(10, 2) : 0;
  const int s = d.size() == 14 ? num(12, 2) : 0;
  if (y < 1980 || y > 2107 || mo < 1 || mo > 12 || day < 1 || day > 31 || h > 23 || mi > 59 || s > 59) return false;
  const auto date = static_cast<uint16_t>(((y - 1980) << 9) | (mo << 5) | day);
  const auto time = static_cast<uint16_t>((h << 11) | (mi << 5) | (s / 2));
  seconds = fmt::dosToUnixTime(date, time) + (s & 1);
  return true;
}

TarOptions parseCommand(const std::vector<dllsupport::Token>& tokens) {
  TarOptions o;
  std::deque<Takes> takes;
  std::vector<std::string> operands;
  bool haveGroup = false;
  for (const auto& t : tokens) {
    if (!t.quoted && t.text.rfind("--", 0) == 0) {
      if (t.text == "--use-directory=0" || t.text == "--use-directory=1") {
        o.keepFolders = t.text.back() == '1';
        continue;
      }
      bad("unknown option " + t.text + " (--use-directory=0 or 1)");
    }
    // The first group may come without '-'; later ones need it.
    const bool dashed = !t.quoted && t.text.size() > 1 && t.text[0] == '-';
    if (dashed || (!haveGroup && !t.quoted && !t.text.empty() && operands.empty() && takes.empty())) {
      if (!dashed && t.text.find_first_of("crxtk") == std::string::npos)
        bad("no command (c, r, x, t or k) in " + t.text);
      applyGroup(dashed ? t.text.substr(1) : t.text, o, takes);
      haveGroup = true;
      continue;
    }
    if (!takes.empty()) {
      const Takes what = takes.front();
      takes.pop_front();
      switch (what) {
        case Takes::Archive: o.archive = t.text; break;
        case Takes::Folder: o.folder = t.text; break;
        case Takes::Date:
          if (!parseDate(t.text, o.since)) bad("a date is written YYYYMMDD[hhmm[ss]]: " + t.text);
          o.haveDate = true;
          break;
        case Takes::Blocking:
          if (!onlyDigits(t.text) || t.text.size() > 4 || std::stoi(t.text) < 1)
            bad("a blocking factor is a number of blocks: " + t.text);
          break;
      }
      continue;
    }
    operands.push_back(t.text);
  }
  if (!o.command) bad("no command (c, r, x, t or k)");
  if (!takes.empty()) bad("a switch (f, o, N or b) lacks its operand");
  // Written names are always UTF-8, which every tar of today reads; storing
  // EUC-JP is not offered rather than silently ignored.
  if (o.eucJpNames && (o.command == 'c' || o.command == 'r'))
    fmt::fail(fmt::ErrorKind::Unsupported, "names are written in UTF-8; e (EUC-JP) applies to x, t and k");
  size_t i = 0;
  if (o.archive.empty()) {
    if (operands.empty()) bad("no archive named");
    o.archive = operands[i++];
  }
  if (i < operands.size() && dllsupport::looksLikeFolder(operands[i])) {
    if (o.folder.empty()) o.folder = operands[i];
    ++i;
  }
  o.names.assign(operands.begin() + static_cast<long>(i), operands.end());
  for (const auto& n : o.names)
    if (!n.empty() && n[0] == '#') fmt::fail(fmt::ErrorKind::Unsupported, "rule files (#file) are not supported: " + n);
  return o;
}

}  // namespace tar32
