#include "lha_options.h"

#include <cstring>

#include "base/error.h"
#include "core/names.h"
#include "operands.h"
#include "sjis_path.h"

namespace unlha {

namespace {

constexpr const char* kCommands = "aufdexltvpsnc";

[[noreturn]] void bad(const std::string& what) { fmt::fail(fmt::ErrorKind::Usage, what); }

// A letter switch with an optional digit: "x", "x1", "r2" on; "x0" off.
bool onOff(const std::string& s, const std::string& sw) {
  if (s.size() == 1) return true;
  if (s.size() == 2 && s[1] >= '0' && s[1] <= '9') return s[1] != '0';
  bad("unknown switch -" + sw);
}

void applySwitch(const std::string& sw, LhaOptions& o) {
  if (sw.empty()) bad("empty switch");
  const std::string rest = sw.substr(1);
  switch (sw[0]) {
    case '+': o.allAttributes = true; return;
    case 'x': o.keepFolders = onOff(sw, sw); return;
    case 'r': o.recurse = onOff(sw, sw); return;
    case 'm': o.noQuestions = onOff(sw, sw); return;
    case 'y': o.overwriteAll = onOff(sw, sw); return;
    case 'c': o.ignoreDates = onOff(sw, sw); return;
    case 'a': o.allAttributes = onOff(sw, sw); return;
    case 't': o.newestTime = onOff(sw, sw); return;
    case 'i': o.caseSensitive = onOff(sw, sw); return;
    case 'n': o.noProgress = onOff(sw, sw); return;
    case 'l':
    case 's': (void)onOff(sw, sw); return;  // display details: there is no console display to change
    case 'z':
      o.store = onOff(sw, sw);
      if (o.store) o.method = "-lh0-";
      return;
    case 'o':
      // Compatible with old LHarc readers: -lh5- under level-0 headers.
      if (onOff(sw, sw)) {
        o.method = "-lh5-";
        o.headerLevel = 0;
      }
      return;
    case 'p': o.wholePath = rest != "0"; return;  // -p, -p1, -pn
    case 'h':
      if (rest.size() == 1 && rest[0] >= '0' && rest[0] <= '2') {
        o.headerLevel = rest[0] - '0';
        return;
      }
      bad("header level must be 0, 1 or 2: -" + sw);
    case 'w': o.workFolder = rest; return;
    case 'g':
      if (!rest.empty() && rest[0] == 'r') {
        o.hasNewName = true;
        o.newName = rest.substr(1);
        return;
      }
      if (rest == "w") {
        o.sfx = SfxKind::Win95;
        return;
      }
      break;
    case 'j':
      if (rest == "w") {
        o.sfx = SfxKind::Win31;
        return;
      }
      if (!rest.empty() && rest[0] == 'i') {
        o.shortNames = rest != "i0";
        return;
      }
      if (rest.size() == 2 && rest[0] == 'm' && rest[1] >= '0' && rest[1] <= '4') {
        static const char* const methods[] = {"-lh0-", "-lh5-", "-lh5-", "-lh6-", "-lh7-"};
        o.method = methods[rest[1] - '0'];
        return;
      }
      break;
  }
  bad("unknown switch -" + sw);
}

}  // namespace

LhaOptions parseCommand(const std::vector<dllsupport::Token>& tokens) {
  LhaOptions o;
  std::vector<std::string> operands;
  bool haveCommand = false;
  for (const auto& t : tokens) {
    if (!t.quoted && t.text.size() > 1 && t.text[0] == '-') {
      applySwitch(t.text.substr(1), o);
      continue;
    }
    if (!haveCommand && operands.empty() && !t.quoted && t.text.size() == 1) {
      const char c = static_cast<char>(t.text[0] | 0x20);
      if (std::strchr(kCommands, c)) {
        o.command = c;
        haveCommand = true;
        continue;
      }
    }
    operands.push_back(t.text);
  }
  if (operands.empty()) bad("no archive named");
  o.archive = operands[0];
  o.archive = dllsupport::withDefaultExtension(o.archive, ".lzh");
  size_t i = 1;
  if (o.command != 'n' && i < operands.size() && dllsupport::looksLikeFolder(operands[i])) o.base = operands[i++];
  o.names.assign(operands.begin() + static_cast<long>(i), operands.end());
  return o;
}

}  // namespace unlha
