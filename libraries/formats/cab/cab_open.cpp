// Finding cabinets in a file: at its start, or anywhere inside a
// self-extracting program, several one after another as some tools write them.
#include <cstring>
#include <memory>

#include "cab/cab_directory.h"
#include "cab/cab_reader.h"
#include "cab/cab_set.h"
#include "core/format_registry.h"
#include "base/error.h"

namespace fmt {
namespace {

// Archives of the other formats may carry a cabinet as a stored member; they
// are theirs, not ours.
bool otherFormat(const uint8_t* p, size_t n) {
  if (n >= 4 && p[0] == 'P' && p[1] == 'K' && p[2] < 9 && p[3] < 9) return true;           // ZIP
  if (n >= 262 && std::memcmp(p + 257, "ustar", 5) == 0) return true;                       // tar
  if (n >= 7 && p[2] == '-' && p[3] == 'l' && p[6] == '-') return true;                     // LZH
  if (n >= 2 && p[0] == 0x1F && (p[1] == 0x8B || p[1] == 0x9D)) return true;                // gzip, compress
  if (n >= 4 && p[0] == 'B' && p[1] == 'Z' && p[2] == 'h' && p[3] >= '1' && p[3] <= '9') return true;  // bzip2
  return false;
}

// Every cabinet in the file that parses, in file order, none inside another.
std::vector<uint64_t> findCabinets(platform::File& f) {
  constexpr size_t kChunk = 1 << 20;
  constexpr int kMaxAttempts = 1000;  // bounds the work a file full of false signatures can cause
  const uint64_t size = f.size();
  std::vector<uint64_t> found;
  std::vector<uint8_t> buf;
  int attempts = 0;
  uint64_t pos = 0;
  while (pos + cab::kHeaderSize <= size && attempts < kMaxAttempts) {
    size_t n = static_cast<size_t>(std::min<uint64_t>(size - pos, kChunk + cab::kHeaderSize));
    buf.resize(n);
    f.seek(pos);
    readExact(f, buf.data(), n, "the file");
    uint64_t next = pos + (n > cab::kHeaderSize ? n - cab::kHeaderSize + 1 : n);
    for (size_t i = 0; i + cab::kHeaderSize <= n; i++) {
      const void* m = std::memchr(buf.data() + i, 'M', n - cab::kHeaderSize + 1 - i);
      if (!m) break;
      i = static_cast<size_t>(static_cast<const uint8_t*>(m) - buf.data());
      if (!cab::plausibleHeader(buf.data() + i, pos + i, size)) continue;
      if (++attempts > kMaxAttempts) break;
      try {
        std::vector<std::string> ignored;
        cab::Cabinet c = cab::readCabinet(f, pos + i, ignored);
        found.push_back(pos + i);
        next = pos + i + c.size;
        break;
      } catch (const Error&) {
      }
    }
    pos = next;
  }
  return found;
}

}  // namespace

std::unique_ptr<ArchiveReader> openCab(const std::string& path) {
  std::shared_ptr<platform::File> file = platform::File::open(path, platform::File::Read);
  uint8_t head[512];
  size_t n = file->read(head, sizeof head);
  if (n < cab::kHeaderSize || otherFormat(head, n)) return nullptr;
  std::vector<uint64_t> bases = findCabinets(*file);
  if (bases.empty()) {
    // A cabinet signature at the start that did not parse: say why.
    if (std::memcmp(head, cab::kSignature, 4) == 0 && head[25] == 1) {
      std::vector<std::string> ignored;
      cab::readCabinet(*file, 0, ignored);
      fail(ErrorKind::Corrupt, "damaged cabinet header");
    }
    return nullptr;
  }
  return std::make_unique<cab::CabReader>(cab::openSet(path, file, bases));
}

const FormatRegistrar kCabRegistrar(10, cab::kFormatName, openCab);

}  // namespace fmt
