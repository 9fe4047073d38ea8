// The parts of the platform layer that are the same on every system: buffered
// files over os::RawFile, the write-failure hook, folder chains, unique names.
#include <algorithm>
#include <atomic>
#include <ctime>
#include <cstring>

#include "base/utf8.h"
#include "base/sjis.h"
#include "platform/os_file.h"

namespace fmt::platform {

namespace {

constexpr size_t kBufferSize = 256 * 1024;
std::atomic<int64_t> g_writeBudget{-1};

void chargeWrite(size_t n) {
  int64_t budget = g_writeBudget.load();
  while (budget >= 0) {
    if (static_cast<uint64_t>(budget) < n) {
      g_writeBudget.store(0);
      fail(ErrorKind::Io, "write failed (injected failure)");
    }
    if (g_writeBudget.compare_exchange_weak(budget, budget - static_cast<int64_t>(n))) return;
  }
}

bool isSeparator(char c) { return c == '/' || c == '\\'; }

}  // namespace

void failWritesAfter(int64_t bytes) { g_writeBudget.store(bytes < 0 ? -1 : bytes); }

// One buffer serves reading and writing; it holds either cached bytes read from
// [start, start+length) or pending bytes to write there, never both.
struct File::Impl {
  std::unique_ptr<os::RawFile> raw;
  Mode mode = Read;
  uint64_t pos = 0;
  // Allocated on first use and left uninitialised: extraction opens a file per
  // entry, and most entries are small.
  std::unique_ptr<uint8_t[]> storage;
  uint64_t start = 0;
  size_t length = 0;
  bool pendingWrite = false;

  uint8_t* buffer() {
    if (!storage) storage.reset(new uint8_t[kBufferSize]);
    return storage.get();
  }

  void flush() {
    if (!pendingWrite) return;
    const size_t n = length;
    pendingWrite = false;
    length = 0;
    if (n) raw->writeAt(start, storage.get(), n);
  }
};

std::unique_ptr<File> File::open(const std::string& path, Mode mode) {
  std::unique_ptr<File> f(new File());
  f->impl_ = std::make_unique<Impl>();
  f->impl_->raw = os::openRaw(path, mode);
  f->impl_->mode = mode;
  return f;
}

File::~File() {
  try {
    close();
  } catch (...) {
    // Nothing to report to from a destructor; close() is the checked path.
  }
}

size_t File::read(void* out, size_t n) {
  Impl& d = *impl_;
  if (!d.raw) fail(ErrorKind::Usage, "read from a closed file");
  d.flush();
  auto* p = static_cast<uint8_t*>(out);
  size_t done = 0;
  while (done < n) {
    if (d.length && d.pos >= d.start && d.pos < d.start + d.length) {
      const size_t off = static_cast<size_t>(d.pos - d.start);
      const size_t k = std::min(n - done, d.length - off);
      std::memcpy(p + done, d.storage.get() + off, k);
      done += k;
      d.pos += k;
      continue;
    }
    if (n - done >= kBufferSize) {  // large reads bypass the buffer
      const size_t k = d.raw->readAt(d.pos, p + done, n - done);
      if (k == 0) break;
      done += k;
      d.pos += k;
      continue;
    }
    d.start = d.pos;
    d.length = d.raw->readAt(d.pos, d.buffer(), kBufferSize);
    if (d.length == 0) break;
  }
  return done;
}

void File::write(const void* data, size_t n) {
  Impl& d = *impl_;
  if (!d.raw) fail(ErrorKind::Usage, "write to a closed file");
  if (d.mode == Read) fail(ErrorKind::Usage, "write to a file opened for reading");
  chargeWrite(n);
  if (!d.pendingWrite) d.length = 0;  // cached reads may be overwritten
  if (d.pendingWrite && d.length + n > kBufferSize) d.flush();
  if (n >= kBufferSize) {
    d.raw->writeAt(d.pos, data, n);
  } else {
    if (!d.pendingWrite) {
      d.pendingWrite = true;
      d.start = d.pos;
      d.length = 0;
    }
    std::memcpy(d.buffer() + d.length, data, n);
    d.length += n;
  }
  d.pos += n;
}

void File::seek(uint64_t pos) {
  impl_->flush();
  impl_->pos = pos;
}

uint64_t File::tell() const { return impl_->pos; }

uint64_t File::size() const {
  Impl& d = *impl_;
  if (!d.raw) fail(ErrorKind::Usage, "size of a closed file");
  uint64_t s = d.raw->size();
  if (d.pendingWrite) s = std::max<uint64_t>(s, d.start + d.length);
  return s;
}

void File::flush() { impl_->flush(); }

void File::close() {
  Impl& d = *impl_;
  if (!d.raw) return;
  try {
    d.flush();
  } catch (...) {
    try {
      d.raw->close();
    } catch (...) {
    }
    d.raw.reset();
    throw;
  }
  std::unique_ptr<os::RawFile> raw = std::move(d.raw);
  raw->close();
}

// Shift-JIS is walked by whole characters so that one bad byte costs one U+FFFD
// and never swallows the ASCII byte after it. 0x80, 0xA0 and 0xFD-0xFF are no
// characters of code page 932, whatever a system's table makes of them.
std::string sjisToUtf8(const std::string& sjis, bool* exact) {
  std::string out;
  out.reserve(sjis.size() * 3 / 2);
  bool all = true;
  for (size_t i = 0; i < sjis.size();) {
    const auto c = static_cast<unsigned char>(sjis[i]);
    if (c < 0x80) {
      out += static_cast<char>(c);
      ++i;
      continue;
    }
    const size_t len = sjis::charLength(sjis, i);
    const bool noChar = c == 0x80 || c == 0xA0 || c >= 0xFD;
    if (noChar || !os::sjisCharToUtf8(sjis.data() + i, len, out)) {
      utf8::append(out, utf8::kReplacement);
      all = false;
    }
    i += len;
  }
  if (exact) *exact = all;
  return out;
}

std::string utf8ToSjis(const std::string& utf8, bool* exact) {
  std::string out;
  out.reserve(utf8.size());
  bool all = true;
  uint32_t cp;
  for (size_t i = 0; i < utf8.size();) {
    const size_t len = utf8::decode(utf8, i, cp);
    if (len == 0) {
      out += '_';
      all = false;
      ++i;
      continue;
    }
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (!os::utf8CharToSjis(utf8.data() + i, len, cp, out)) {
      out += '_';
      all = false;
    }
    i += len;
  }
  if (exact) *exact = all;
  return out;
}

bool isValidUtf8(const std::string& s) {
  uint32_t cp;
  for (size_t i = 0; i < s.size();) {
    const size_t len = utf8::decode(s, i, cp);
    if (len == 0) return false;
    i += len;
  }
  return true;
}

void makeFolders(const std::string& path) {
  // Leave the root part alone: "/", "C:", "C:\", "\\server\share".
  size_t i = 0;
  if (path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1])) {
    i = 2;
    for (int parts = 0; parts < 2 && i < path.size(); ++parts) {
      while (i < path.size() && !isSeparator(path[i])) ++i;
      if (i < path.size()) ++i;
    }
  } else if (path.size() >= 2 && path[1] == ':') {
    i = 2;
  }
  while (i < path.size()) {
    while (i < path.size() && isSeparator(path[i])) ++i;
    while (i < path.size() && !isSeparator(path[i])) ++i;
    const std::string prefix = path.substr(0, i);
    if (prefix.empty() || isSeparator(prefix.back())) continue;
    const FileInfo info = stat(prefix);
    if (info.exists && info.isFolder) continue;
    if (!os::makeOneFolder(prefix)) fail(ErrorKind::Io, "cannot create folder " + prefix);
  }
}

std::string parentFolder(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  if (slash == std::string::npos) return ".";
  if (slash == 0) return path.substr(0, 1);
  return path.substr(0, slash);
}

std::string uniqueName(const std::string& folder, const std::string& prefix) {
  static std::atomic<uint64_t> counter{0};
  // <chrono> cannot be used: the Windows build's CP932 literals choke on it.
  const uint64_t seed = (static_cast<uint64_t>(std::time(nullptr)) << 20) ^ static_cast<uint64_t>(std::clock()) ^
                        (reinterpret_cast<uintptr_t>(&counter) << 8);
  std::string dir = folder;
  if (!dir.empty() && !isSeparator(dir.back())) dir += '/';
  for (int attempt = 0; attempt < 10000; ++attempt) {
    uint64_t x = seed + 0x9E3779B97F4A7C15ull * (++counter);
    x ^= x >> 31;
    x *= 0xBF58476D1CE4E5B9ull;
    x ^= x >> 29;
    static const char hex[] = "0123456789abcdef";
    std::string name = prefix;
    for (int k = 0; k < 8; ++k) name += hex[(x >> (4 * k)) & 15];
    const std::string candidate = dir + name;
    if (!stat(candidate).exists) return candidate;
  }
  fail(ErrorKind::Io, "no free temporary name in " + folder);
}

}  // namespace fmt::platform
