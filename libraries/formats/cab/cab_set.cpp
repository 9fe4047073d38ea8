#include "cab/cab_set.h"

#include <algorithm>
#include <set>

#include "cab/cab_directory.h"
#include "base/error.h"

namespace fmt::cab {
namespace {

std::string folderOf(const std::string& path) {
  size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
}

std::string lastComponent(const std::string& name) {
  size_t slash = name.find_last_of("/\\:");
  return slash == std::string::npos ? name : name.substr(slash + 1);
}

bool sameIgnoringAsciiCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); i++) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
    if (x != y) return false;
  }
  return true;
}

bool endsWithCab(const std::string& name) {
  return name.size() > 4 && sameIgnoringAsciiCase(name.substr(name.size() - 4), ".cab");
}

// The header of a candidate part when it is one of the wanted set.
bool isPart(const std::string& path, uint16_t setId, uint16_t index) {
  try {
    auto f = platform::File::open(path, platform::File::Read);
    uint8_t h[kHeaderSize];
    if (f->size() < kHeaderSize) return false;
    readExact(*f, h, sizeof h);
    return plausibleHeader(h, 0, f->size()) && get16(h + 32) == setId && get16(h + 34) == index;
  } catch (const Error&) {
    return false;
  }
}

// Another part of the set beside `from`: the stored name first, in any case,
// then any cabinet there with the same set id and the wanted index. "" if none.
std::string findPart(const std::string& from, const std::string& storedName, uint16_t setId, uint16_t index) {
  std::string dir = folderOf(from);
  std::vector<std::string> names;
  try {
    names = platform::listFolder(dir);
  } catch (const Error&) {
    return "";
  }
  std::sort(names.begin(), names.end());
  std::string wanted = lastComponent(storedName);
  for (const auto& n : names)
    if (sameIgnoringAsciiCase(n, wanted) && isPart(dir + "/" + n, setId, index)) return dir + "/" + n;
  for (const auto& n : names)
    if (endsWithCab(n) && !sameIgnoringAsciiCase(n, wanted) && isPart(dir + "/" + n, setId, index))
      return dir + "/" + n;
  return "";
}

Volume loadVolume(const std::string& path, std::shared_ptr<platform::File> file, uint64_t base,
                  std::vector<std::string>& warnings) {
  Volume v;
  v.path = path;
  v.file = std::move(file);
  v.cab = readCabinet(*v.file, base, warnings);
  return v;
}

// The chain of volumes around the one at `base`: back through the previous
// parts, then forward through the next ones.
std::vector<Volume> loadChain(const std::string& path, std::shared_ptr<platform::File> file, uint64_t base,
                              std::vector<std::string>& warnings) {
  std::vector<Volume> chain;
  chain.push_back(loadVolume(path, std::move(file), base, warnings));
  std::set<std::string> seen{path};
  auto open = [&](const std::string& p) {
    std::vector<std::string> w;
    Volume v = loadVolume(p, platform::File::open(p, platform::File::Read), 0, w);
    for (auto& s : w) warnings.push_back(lastComponent(p) + ": " + s);
    return v;
  };
  while (chain.front().cab.flags & kFlagPrevCabinet) {
    const Cabinet& c = chain.front().cab;
    std::string p = c.index ? findPart(chain.front().path, c.prevCabinet, c.setId, c.index - 1) : "";
    if (p.empty() || !seen.insert(p).second) break;
    try {
      chain.insert(chain.begin(), open(p));
    } catch (const Error& e) {
      warnings.push_back(lastComponent(p) + ": " + e.what());
      break;
    }
  }
  while (chain.back().cab.flags & kFlagNextCabinet) {
    const Cabinet& c = chain.back().cab;
    std::string p = c.index < 0xFFFF ? findPart(chain.back().path, c.nextCabinet, c.setId, c.index + 1) : "";
    if (p.empty() || !seen.insert(p).second) break;
    try {
      chain.push_back(open(p));
    } catch (const Error& e) {
      warnings.push_back(lastComponent(p) + ": " + e.what());
      break;
    }
  }
  return chain;
}

bool continuesFromPrev(uint16_t i) { return i == kContinuedFromPrev || i == kContinuedPrevAndNext; }
bool continuesToNext(uint16_t i) { return i == kContinuedToNext || i == kContinuedPrevAndNext; }

template <typename Pred>
bool anyFile(const Cabinet& c, Pred pred) {
  return std::any_of(c.files.begin(), c.files.end(), [&](const FileRecord& f) { return pred(f.folderIndex); });
}

// Adds a chain's folders and files to the set, joining a folder that runs on
// from one part into the next.
void addChain(CabinetSet& set, std::vector<Volume> chain) {
  for (size_t k = 0; k < chain.size(); k++) {
    const Cabinet& c = chain[k].cab;
    size_t volume = set.volumes.size();
    bool joined = false;
    if (k > 0) {
      const Cabinet& prev = chain[k - 1].cab;
      joined = anyFile(c, continuesFromPrev) || anyFile(prev, continuesToNext);
    }
    std::vector<size_t> map(c.folders.size());
    for (size_t j = 0; j < c.folders.size(); j++) {
      FolderPart part{volume, c.folders[j].dataOffset, c.folders[j].dataCount};
      if (j == 0 && joined) {
        set.folders.back().parts.push_back(part);
      } else {
        SetFolder f;
        f.typeCompress = c.folders[j].typeCompress;
        f.parts.push_back(part);
        set.folders.push_back(std::move(f));
      }
      map[j] = set.folders.size() - 1;
    }
    if (k == 0 && (c.flags & kFlagPrevCabinet) && anyFile(c, continuesFromPrev))
      set.folders[map[0]].missingBefore = c.prevCabinet;
    if (k + 1 == chain.size() && (c.flags & kFlagNextCabinet) && anyFile(c, continuesToNext))
      set.folders[map.back()].missingAfter = c.nextCabinet;
    for (const FileRecord& r : c.files) {
      size_t local = r.folderIndex;
      if (continuesFromPrev(r.folderIndex)) {
        if (joined) continue;  // listed by the part before
        local = 0;
      } else if (r.folderIndex == kContinuedToNext) {
        local = c.folders.size() - 1;
      }
      set.files.push_back(SetFile{r, map[local]});
    }
    set.volumes.push_back(std::move(chain[k]));
  }
}

// Walks the CFDATA headers to learn each folder's packed and unpacked size.
// Hostile folders may share blocks, so the walk is bounded by the bytes present
// and by a million blocks (32 GB of data, far beyond a cabinet's 4 GB).
void measureFolders(CabinetSet& set) {
  uint64_t budget = 0;
  for (const Volume& v : set.volumes) budget += v.file->size() / kDataSize + 1;
  budget = std::min<uint64_t>(budget, 1u << 20);
  for (SetFolder& f : set.folders) {
    uint64_t packed = 0, unpacked = 0;
    bool ok = true;
    for (const FolderPart& p : f.parts) {
      const Volume& v = set.volumes[p.volume];
      uint64_t pos = v.cab.base + p.dataOffset, end = v.file->size();
      size_t headerSize = kDataSize + v.cab.dataReserve;
      for (uint16_t b = 0; b < p.dataCount && ok; b++) {
        if (budget-- == 0 || pos + headerSize > end) {
          ok = false;
          break;
        }
        uint8_t h[kDataSize];
        v.file->seek(pos);
        readExact(*v.file, h, sizeof h);
        packed += get16(h + 4);
        unpacked += get16(h + 6);
        pos += headerSize + get16(h + 4);
      }
      if (!ok) break;
    }
    f.sizesKnown = ok;
    if (ok) f.packed = packed, f.unpacked = unpacked;
  }
}

}  // namespace

CabinetSet openSet(const std::string& path, std::shared_ptr<platform::File> file, const std::vector<uint64_t>& bases) {
  CabinetSet set;
  for (uint64_t base : bases) {
    // Only the first cabinet of a file may fail outright; later ones found by
    // the scan are dropped with a warning.
    try {
      addChain(set, loadChain(path, file, base, set.warnings));
    } catch (const Error& e) {
      if (set.volumes.empty()) throw;
      set.warnings.push_back("cabinet at offset " + std::to_string(base) + ": " + e.what());
    }
  }
  measureFolders(set);
  return set;
}

}  // namespace fmt::cab
