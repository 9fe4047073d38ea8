#include "operands.h"

#include <algorithm>
#include <set>

#include "base/error.h"
#include "base/sjis.h"
#include "core/names.h"
#include "platform/platform.h"
#include "sjis_path.h"

namespace dllsupport {

namespace {

bool hasWildcard(const std::string& s) { return s.find_first_of("*?") != std::string::npos; }

bool isEverything(const std::string& p) { return p == "*" || p == "*.*"; }

std::string lastComponent(const std::string& slashName) {
  const size_t slash = slashName.rfind('/');  // '/' is never a trail byte
  return slash == std::string::npos ? slashName : slashName.substr(slash + 1);
}

std::string join(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (folder.back() == '/' || folder.back() == '\\') return folder + name;
  return folder + "/" + name;
}

bool isAbsolute(const std::string& p) {
  return (!p.empty() && (p[0] == '/' || p[0] == '\\')) || (p.size() >= 2 && p[1] == ':');
}

}  // namespace

bool looksLikeFolder(const std::string& sjis) {
  if (sjis.size() == 2 && sjis[1] == ':') return true;
  if (sjis.empty()) return false;
  size_t i = 0, last = 0;
  while (i < sjis.size()) {
    last = i;
    i = sjis::next(sjis, i);
  }
  return i - last == 1 && (sjis[last] == '\\' || sjis[last] == '/');
}

EntryMatcher::EntryMatcher(const std::vector<std::string>& names, bool wholePath, bool caseSensitive)
    : wholePath_(wholePath), caseSensitive_(caseSensitive) {
  for (const auto& n : names) {
    const std::string p = slashSeparators(n);
    if (isEverything(p)) {
      patterns_.clear();
      return;
    }
    if (!p.empty()) patterns_.push_back(p);
  }
}

bool EntryMatcher::one(const std::string& pattern, const std::string& name) const {
  // Case-sensitive comparison applies to whole names; wildcards always fold ASCII case.
  if (caseSensitive_ && !hasWildcard(pattern)) return pattern == name;
  return fmt::wildcardMatch(pattern, name);
}

int EntryMatcher::whichMatches(const std::string& name) const {
  for (size_t i = 0; i < patterns_.size(); ++i) {
    const std::string& p = patterns_[i];
    if (one(p, name)) return static_cast<int>(i);
    if (!wholePath_ && p.find('/') == std::string::npos && one(p, lastComponent(name))) return static_cast<int>(i);
  }
  return -1;
}

bool EntryMatcher::matches(const std::string& name) const { return matchesAll() || whichMatches(name) >= 0; }

namespace {

// Expands the operands into paths relative to the base (or absolute) that
// collectSources then walks.
class Expander {
 public:
  Expander(const std::string& base, const SourceOptions& o) : base_(base), o_(o) {}

  void operand(const std::string& sjis) {
    const std::string utf8 = slashSeparatorsUtf8(toEnginePath(sjis));
    const size_t slash = utf8.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : utf8.substr(0, slash + 1);
    const std::string leaf = slash == std::string::npos ? utf8 : utf8.substr(slash + 1);
    if (hasWildcard(leaf)) {
      matchIn(folder, fromEngine(leaf));
      return;
    }
    const auto info = fmt::platform::stat(onDisk(utf8));
    if (!info.exists) fmt::fail(fmt::ErrorKind::Io, "no such file or folder: " + utf8);
    if (info.isFolder && !o_.recurse) {
      for (const auto& name : sortedList(utf8)) {
        const auto child = fmt::platform::stat(onDisk(join(utf8, name)));
        if (!child.isFolder) out.push_back(join(utf8, name));
      }
      return;
    }
    out.push_back(utf8);
  }

  std::vector<std::string> out;

 private:
  static std::string slashSeparatorsUtf8(std::string s) {
    for (char& c : s)
      if (c == '\\') c = '/';  // UTF-8: '\' is always a separator
    return s;
  }
  std::string onDisk(const std::string& rel) const { return isAbsolute(rel) ? rel : join(base_, rel); }
  std::vector<std::string> sortedList(const std::string& rel) const {
    auto names = fmt::platform::listFolder(onDisk(rel.empty() ? std::string(".") : rel));
    std::sort(names.begin(), names.end());
    return names;
  }

  // `folder` is "" or ends in '/'.
  void matchIn(const std::string& folder, const std::string& sjisPattern) {
    const std::string diskFolder = folder.empty() ? base_ : onDisk(folder);
    auto names = fmt::platform::listFolder(diskFolder);
    std::sort(names.begin(), names.end());
    for (const auto& name : names) {
      const std::string rel = folder + name;
      const auto info = fmt::platform::stat(onDisk(rel));
      if (info.isLink) continue;
      const bool hit = fmt::wildcardMatch(sjisPattern, fromEngine(name));
      if (info.isFolder) {
        if (!o_.recurse) continue;
        if (hit && isEverything(sjisPattern)) {
          out.push_back(rel);  // collectSources takes the whole tree
        } else {
          matchIn(rel + "/", sjisPattern);
        }
      } else if (hit) {
        out.push_back(rel);
      }
    }
  }

  std::string base_;
  const SourceOptions& o_;
};

}  // namespace

std::vector<fmt::SourceItem> collectOperands(const std::vector<std::string>& operands, const std::string& baseUtf8,
                                             const SourceOptions& options, std::vector<std::string>* skipped) {
  Expander ex(baseUtf8, options);
  for (const auto& op : operands) ex.operand(op);
  if (ex.out.empty()) return {};
  std::vector<fmt::SourceItem> items = fmt::collectSources(ex.out, baseUtf8, skipped);
  std::vector<fmt::SourceItem> kept;
  std::set<std::string> names;
  for (auto& item : items) {
    if (!options.allAttributes && (item.attributes & (fmt::kAttrHidden | fmt::kAttrSystem))) {
      if (skipped) skipped->push_back(item.diskPath);
      continue;
    }
    if (!options.keepFolders) {
      if (item.isFolder) continue;
      item.name = lastComponent(item.name);
    }
    std::string key;
    for (char c : item.name) key += (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
    if (!names.insert(key).second) {
      if (skipped) skipped->push_back(item.diskPath);
      continue;
    }
    kept.push_back(std::move(item));
  }
  return kept;
}

std::string withDefaultExtension(const std::string& sjisArchive, const char* extension) {
  // The last component is what follows the last '\\', '/' or ':' that is a character of its own.
  size_t leaf = 0;
  for (size_t i = 0; i < sjisArchive.size(); i = sjis::next(sjisArchive, i))
    if (!sjis::isPair(sjisArchive, i) && (sjisArchive[i] == '\\' || sjisArchive[i] == '/' || sjisArchive[i] == ':'))
      leaf = i + 1;
  if (sjisArchive.find('.', leaf) != std::string::npos || fileExists(sjisArchive)) return sjisArchive;
  return sjisArchive + extension;
}

}  // namespace dllsupport
