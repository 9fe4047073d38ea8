#include "sfx_options.h"

namespace sfx {

SfxOptions parseArguments(const std::vector<std::string>& args) {
  SfxOptions o;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "-s" || a == "/s" || a == "-S" || a == "/S") {
      o.unattended = true;
      if (i + 1 < args.size() && !args[i + 1].empty() && args[i + 1][0] != '-') o.folder = args[++i];
    } else if (a.size() > 2 && (a[0] == '-' || a[0] == '/') && (a[1] == 's' || a[1] == 'S')) {
      o.unattended = true;  // -sFOLDER
      o.folder = a.substr(2);
    } else {
      o.bad = true;
    }
  }
  return o;
}

std::string defaultFolder(const std::string& selfPath) {
  const size_t slash = selfPath.find_last_of("\\/");
  const size_t leaf = slash == std::string::npos ? 0 : slash + 1;
  std::string stem = selfPath.substr(leaf);
  const size_t dot = stem.rfind('.');
  if (dot != std::string::npos && dot > 0) stem.resize(dot);
  else stem += "_files";  // a program without an extension: the folder cannot take its name
  return selfPath.substr(0, leaf) + stem;
}

}  // namespace sfx
