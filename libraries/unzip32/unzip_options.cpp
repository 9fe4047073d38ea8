#include "unzip_options.h"

#include "base/error.h"
#include "operands.h"
#include "sjis_path.h"
#include "platform/platform.h"

namespace unzip32 {

namespace {

[[noreturn]] void bad(const std::string& what) { fmt::fail(fmt::ErrorKind::Usage, what); }

bool isAbsolute(const std::string& s) {
  return (s.size() >= 3 && s[1] == ':' && (s[2] == '\\' || s[2] == '/')) || (s.size() >= 2 && s[0] == '\\' && s[1] == '\\');
}

// The operand after the archive is the destination when it is written as a
// folder, or is the full path of a folder that exists: callers pass it with
// and without the trailing '\'.
bool isDestination(const std::string& operand) {
  if (dllsupport::looksLikeFolder(operand)) return true;
  if (!isAbsolute(operand)) return false;
  const fmt::platform::FileInfo info = fmt::platform::stat(dllsupport::toEnginePath(operand));
  return info.exists && info.isFolder;
}

void applySwitch(const std::string& sw, UnZipOptions& o) {
  if (sw == "j") {
    o.noFolders = true;
    return;
  }
  if (sw == "o") {
    o.overwrite = true;
    return;
  }
  if (sw == "-i") {
    o.quiet = true;
    return;
  }
  if (sw.size() > 1 && sw[0] == 'P') {
    o.password = sw.substr(1);
    return;
  }
  if (sw == "P") bad("the password follows -P directly: -P<password>");
  bad("unknown switch -" + sw);
}

}  // namespace

UnZipOptions parseCommand(const std::vector<dllsupport::Token>& tokens) {
  UnZipOptions o;
  std::vector<std::string> operands;
  bool haveCommand = false;
  for (const auto& t : tokens) {
    if (!t.quoted && t.text.size() > 1 && t.text[0] == '-') {
      const std::string sw = t.text.substr(1);
      if (sw.size() == 1 && (sw[0] == 'x' || sw[0] == 'l' || sw[0] == 't')) {
        if (haveCommand && sw[0] != o.command) bad("two commands given: -" + std::string(1, o.command) + " and -" + sw);
        o.command = sw[0];
        haveCommand = true;
        continue;
      }
      applySwitch(sw, o);
      continue;
    }
    operands.push_back(t.text);
  }
  if (operands.empty()) bad("no archive named");
  o.archive = operands[0];
  o.archive = dllsupport::withDefaultExtension(o.archive, ".zip");
  size_t i = 1;
  if (i < operands.size() && o.command == 'x' && isDestination(operands[i])) o.folder = operands[i++];
  o.names.assign(operands.begin() + static_cast<long>(i), operands.end());
  return o;
}

}  // namespace unzip32
