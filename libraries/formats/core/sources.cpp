#include "core/sources.h"

#include <set>

#include "core/entry.h"
#include "base/error.h"
#include "platform/platform.h"

namespace fmt {

namespace {

bool isSeparator(char c) { return c == '/' || c == '\\'; }

bool isAbsolute(const std::string& p) {
  return (!p.empty() && isSeparator(p[0])) || (p.size() >= 2 && p[1] == ':');
}

// Operands are UTF-8, so '\' is always a separator here (never a trail byte).
// ".." goes back a folder inside the operand and is dropped above its start.
std::string storedName(const std::string& operand) {
  std::string s = operand;
  if (s.size() >= 2 && s[1] == ':') s.erase(0, 2);  // drive letter
  std::vector<std::string> parts;
  std::string part;
  auto flush = [&] {
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    part.clear();
  };
  for (char c : s) {
    if (isSeparator(c)) flush();
    else part += c;
  }
  flush();
  std::string out;
  for (const auto& p : parts) out += (out.empty() ? "" : "/") + p;
  return out;
}

class Collector {
 public:
  Collector(std::vector<SourceItem>& items, std::vector<std::string>* skipped) : items_(items), skipped_(skipped) {}

  void add(const std::string& diskPath, const std::string& name) {
    const platform::FileInfo info = platform::stat(diskPath);
    if (!info.exists) fail(ErrorKind::Io, "no such file or folder: " + diskPath);
    walk(diskPath, name, info);
  }

 private:
  void walk(const std::string& diskPath, const std::string& name, const platform::FileInfo& info) {
    if (info.isLink) {
      if (skipped_) skipped_->push_back(diskPath);
      return;
    }
    if (!name.empty() && seen_.insert(name).second) {
      SourceItem item;
      item.diskPath = diskPath;
      item.name = name;
      item.isFolder = info.isFolder;
      item.size = info.isFolder ? 0 : info.size;
      item.mtime = info.mtime;
      item.attributes = info.attributes;
      items_.push_back(std::move(item));
    } else if (!name.empty() && !info.isFolder) {
      return;  // a file named twice
    }
    if (!info.isFolder) return;
    for (const std::string& child : platform::listFolder(diskPath)) {
      const std::string childPath = diskPath + "/" + child;
      walk(childPath, name.empty() ? child : name + "/" + child, platform::stat(childPath));
    }
  }

  std::vector<SourceItem>& items_;
  std::vector<std::string>* skipped_;
  std::set<std::string> seen_;
};

}  // namespace

std::vector<SourceItem> collectSources(const std::vector<std::string>& operands, const std::string& base,
                                       std::vector<std::string>* skipped) {
  std::vector<SourceItem> items;
  Collector collector(items, skipped);
  for (const std::string& op : operands) {
    std::string diskPath = op;
    if (!isAbsolute(op) && !base.empty()) diskPath = base + (isSeparator(base.back()) ? "" : "/") + op;
    while (diskPath.size() > 1 && isSeparator(diskPath.back()) && diskPath[diskPath.size() - 2] != ':') diskPath.pop_back();
    collector.add(diskPath, storedName(op));
  }
  return items;
}

}  // namespace fmt
