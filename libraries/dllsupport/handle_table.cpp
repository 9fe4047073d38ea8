#include "handle_table.h"

#include <map>
#include <mutex>

#include "item_info.h"
#include "operands.h"
#include "results.h"
#include "sjis_path.h"

namespace dllsupport {

struct HandleTable::Session {
  std::unique_ptr<fmt::ArchiveReader> reader;
  std::unique_ptr<EntryMatcher> matcher;
  size_t next = 0;
};

namespace {
std::mutex tableMutex;
std::map<void*, std::unique_ptr<HandleTable::Session>>& sessions() {
  static std::map<void*, std::unique_ptr<HandleTable::Session>> all;
  return all;
}
}  // namespace

HandleTable& handles() {
  static HandleTable table;
  return table;
}

archiver::ArchiveHandle HandleTable::open(const std::string& sjisPath, const Opener& opener, int* result) {
  auto set = [&](int r) {
    if (result) *result = r;
  };
  if (!fileExists(sjisPath)) {
    set(kArchiveNotFound);
    return nullptr;
  }
  auto s = std::make_unique<Session>();
  try {
    s->reader = opener(toEnginePath(sjisPath));
  } catch (const fmt::Error& e) {
    set(resultFor(e.kind()));
    return nullptr;
  }
  if (!s->reader) {
    set(kNotArchive);
    return nullptr;
  }
  std::lock_guard<std::mutex> lock(tableMutex);
  void* h = s.get();
  sessions()[h] = std::move(s);
  set(kOk);
  return h;
}

HandleTable::Session* HandleTable::find(archiver::ArchiveHandle h) const {
  auto it = sessions().find(h);
  return it == sessions().end() ? nullptr : it->second.get();
}

int HandleTable::next(Session& s, archiver::ArcItemInfo* info) {
  const auto& entries = s.reader->entries();
  while (s.next < entries.size()) {
    const fmt::Entry& e = entries[s.next++];
    if (!s.matcher->matches(matchName(e))) continue;
    if (info) fillItemInfo(e, *info);
    return 0;
  }
  return -1;
}

int HandleTable::findFirst(archiver::ArchiveHandle h, const char* wildcard, archiver::ArcItemInfo* info) {
  std::lock_guard<std::mutex> lock(tableMutex);
  Session* s = find(h);
  if (!s) return kBadHandle;
  std::vector<std::string> names;
  if (wildcard && *wildcard) names.emplace_back(wildcard);
  s->matcher = std::make_unique<EntryMatcher>(names, false, false);
  s->next = 0;
  return next(*s, info);
}

int HandleTable::findNext(archiver::ArchiveHandle h, archiver::ArcItemInfo* info) {
  std::lock_guard<std::mutex> lock(tableMutex);
  Session* s = find(h);
  if (!s) return kBadHandle;
  if (!s->matcher) s->matcher = std::make_unique<EntryMatcher>(std::vector<std::string>{}, false, false);
  return next(*s, info);
}

int HandleTable::close(archiver::ArchiveHandle h) {
  std::lock_guard<std::mutex> lock(tableMutex);
  return sessions().erase(h) ? 0 : kBadHandle;
}

size_t HandleTable::openCount() const {
  std::lock_guard<std::mutex> lock(tableMutex);
  return sessions().size();
}

}  // namespace dllsupport
