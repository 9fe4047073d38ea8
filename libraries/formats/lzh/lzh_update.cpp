#include "lzh/lzh_update.h"

#include <map>

#include "core/atomic_file.h"
#include "core/names.h"

namespace fmt::lzh {

namespace {

std::unique_ptr<LzhReader> openExisting(const std::string& path) {
  auto r = LzhReader::open(fileByteSource(path));
  if (!r) fail(ErrorKind::Usage, path + " is not an LZH archive");
  return r;
}

// Names compare as Windows compares file names: ASCII letters without case.
std::string key(const std::string& utf8) {
  std::string k = utf8;
  for (char& c : k)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return k;
}

// Copies what precedes the first member (a self-extracting program) as it is.
void copyPrefix(LzhReader& r, OutStream& out) {
  if (r.headers().empty()) return;
  uint64_t n = r.headers().front().offset;
  RangeInStream in(r.source(), 0, n);
  std::vector<uint8_t> buf(1 << 16);
  while (n) {
    size_t k = static_cast<size_t>(std::min<uint64_t>(n, buf.size()));
    readExact(in, buf.data(), k, "archive");
    out.write(buf.data(), k);
    n -= k;
  }
}

ProgressFn itemProgress(const ItemProgressFn& progress, const std::string& name) {
  if (!progress) return {};
  return [&progress, name](uint64_t done, uint64_t total) { return progress(name, done, total); };
}

void addItem(LzhWriter& w, const SourceItem& item, const ItemProgressFn& progress) {
  if (progress && !progress(item.name, 0, item.size)) fail(ErrorKind::Cancelled, "cancelled");
  w.add(item, itemProgress(progress, item.name));
}

// A DOS stamp keeps even seconds only; a file is not newer for that.
bool newer(const SourceItem& item, const Entry& e) { return item.mtime > e.mtime + (e.headerLevel < 2 ? 1 : 0); }

}  // namespace

void createArchive(const std::string& path, const std::vector<SourceItem>& items, const WriteOptions& options,
                   const ItemProgressFn& progress) {
  AtomicFile af(path);
  LzhWriter w(af.file(), options);
  for (const auto& item : items) addItem(w, item, progress);
  w.finish();
  af.commit();
}

UpdateReport addToArchive(const std::string& path, const std::vector<SourceItem>& items, AddMode mode,
                          const WriteOptions& options, const ItemProgressFn& progress) {
  UpdateReport report;
  if (!platform::stat(path).exists) {
    if (mode == AddMode::Freshen) {
      for (const auto& item : items) report.skipped.push_back(item.name);
      return report;
    }
    createArchive(path, items, options, progress);
    for (const auto& item : items) report.added.push_back(item.name);
    return report;
  }
  auto old = openExisting(path);
  const auto& entries = old->entries();
  std::map<std::string, size_t> byName;
  for (size_t i = 0; i < entries.size(); ++i) byName[key(utf8Name(entries[i]))] = i;

  // Which item replaces which member, and which items are new.
  std::vector<const SourceItem*> replacement(entries.size(), nullptr);
  std::vector<const SourceItem*> fresh;
  for (const auto& item : items) {
    auto it = byName.find(key(item.name));
    if (it == byName.end()) {
      if (mode == AddMode::Freshen) {
        report.skipped.push_back(item.name);
      } else {
        fresh.push_back(&item);
      }
      continue;
    }
    const Entry& e = entries[it->second];
    bool take = mode == AddMode::Replace || newer(item, e);
    // A folder member stays as it is: there is nothing in it to replace.
    if (item.isFolder && e.isFolder()) take = false;
    if (take) {
      replacement[it->second] = &item;
    } else {
      report.skipped.push_back(item.name);
    }
  }

  {
    AtomicFile af(path);
    copyPrefix(*old, af.file());
    LzhWriter w(af.file(), options);
    for (size_t i = 0; i < entries.size(); ++i) {
      if (replacement[i]) {
        addItem(w, *replacement[i], progress);
        report.replaced.push_back(replacement[i]->name);
      } else {
        w.copy(*old, i);
      }
    }
    for (const SourceItem* item : fresh) {
      addItem(w, *item, progress);
      report.added.push_back(item->name);
    }
    w.finish();
    old.reset();  // the original must be closed before it is replaced
    af.commit();
  }
  return report;
}

void deleteFromArchive(const std::string& path, const std::vector<size_t>& indices) {
  auto old = openExisting(path);
  std::vector<bool> drop(old->entries().size(), false);
  for (size_t i : indices) {
    if (i >= drop.size()) fail(ErrorKind::Usage, "no such entry");
    drop[i] = true;
  }
  AtomicFile af(path);
  copyPrefix(*old, af.file());
  LzhWriter w(af.file(), WriteOptions{});
  for (size_t i = 0; i < drop.size(); ++i)
    if (!drop[i]) w.copy(*old, i);
  w.finish();
  old.reset();
  af.commit();
}

void renameInArchive(const std::string& path, size_t index, const std::string& newName) {
  auto old = openExisting(path);
  if (index >= old->entries().size()) fail(ErrorKind::Usage, "no such entry");
  if (newName.empty()) fail(ErrorKind::Usage, "empty name");
  AtomicFile af(path);
  copyPrefix(*old, af.file());
  LzhWriter w(af.file(), WriteOptions{});
  for (size_t i = 0; i < old->entries().size(); ++i) {
    if (i == index) {
      w.copyRenamed(*old, i, newName);
    } else {
      w.copy(*old, i);
    }
  }
  w.finish();
  old.reset();
  af.commit();
}

}  // namespace fmt::lzh
