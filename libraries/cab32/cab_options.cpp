#include "cab_options.h"

#include <cstring>

#include "base/error.h"
#include "operands.h"
#include "sjis_path.h"

namespace cab32 {

namespace {

constexpr const char* kCommands = "axltf";

[[noreturn]] void bad(const std::string& what) { fmt::fail(fmt::ErrorKind::Usage, what); }

bool allDigits(const std::string& s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

void applySwitch(const std::string& sw, CabOptions& o) {
  const std::string rest = sw.substr(1);
  switch (sw[0]) {
    case 'r': if (rest.empty()) { o.recurse = true; return; } break;
    case 'j': if (rest.empty()) { o.noFolders = true; return; } break;
    case 'i': if (rest.empty()) { o.silent = true; return; } break;
    case 'n': if (rest.empty()) { o.neverReplace = true; return; } break;
    case 'o': if (rest.empty()) { o.alwaysReplace = true; return; } break;
    case 'k': if (rest.empty()) { o.followSet = true; return; } break;
    case 'q': if (rest.empty()) { o.shortNames = true; return; } break;
    case 'v':
      if (rest.size() > 1 && rest[0] == ':' && allDigits(rest.substr(1)) && rest.size() <= 8) {
        o.volumeKb = static_cast<unsigned>(std::stoul(rest.substr(1)));
        if (o.volumeKb == 0) bad("the volume size must be at least 1 KB: -" + sw);
        return;
      }
      bad("the volume size is written -v:<nnn> (KB): -" + sw);
    case 'm':
      if (rest == "z") {
        o.method = Method::Mszip;
        return;
      }
      if (rest == "s") {
        o.method = Method::Store;
        return;
      }
      if (rest == "l") {
        o.method = Method::Lzx;
        o.lzxWindow = 21;
        return;
      }
      if (rest.size() > 2 && rest[0] == 'l' && rest[1] == ':') {
        const std::string n = rest.substr(2);
        if (allDigits(n) && n.size() <= 2) {
          const int bits = std::stoi(n);
          if (bits >= 15 && bits <= 21) {
            o.method = Method::Lzx;
            o.lzxWindow = bits;
            return;
          }
        }
        bad("the LZX window must lie from 15 to 21: -" + sw);
      }
      bad("unknown method -" + sw + " (-mz, -ml[:nn] or -ms)");
  }
  bad("unknown switch -" + sw);
}

}  // namespace

CabOptions parseCommand(const std::vector<dllsupport::Token>& tokens) {
  CabOptions o;
  std::vector<std::string> operands;
  bool haveCommand = false;
  for (const auto& t : tokens) {
    if (!t.quoted && t.text.size() > 1 && t.text[0] == '-') {
      const std::string sw = t.text.substr(1);
      if (sw.size() == 1 && std::strchr(kCommands, sw[0] | 0x20)) {
        const char c = static_cast<char>(sw[0] | 0x20);
        if (haveCommand && c != o.command) bad("two commands given: -" + std::string(1, o.command) + " and -" + sw);
        o.command = c;
        haveCommand = true;
        continue;
      }
      applySwitch(sw, o);
      continue;
    }
    operands.push_back(t.text);
  }
  if (operands.empty()) bad("no cabinet named");
  o.archive = operands[0];
  o.archive = dllsupport::withDefaultExtension(o.archive, ".cab");
  size_t i = 1;
  if (i < operands.size() && dllsupport::looksLikeFolder(operands[i])) o.folder = operands[i++];
  o.names.assign(operands.begin() + static_cast<long>(i), operands.end());
  return o;
}

}  // namespace cab32
