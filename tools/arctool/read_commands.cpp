// The commands that read an archive: list, test, extract, cat.
#include <cstdlib>
#include <cstdio>
#include <ctime>

#include "commands.h"
#include "core/extract.h"
#include "core/names.h"
#include "base/utf8.h"

namespace arctool {

namespace {

std::unique_ptr<fmt::ArchiveReader> open(const std::string& archive, bool forWalk = false) {
  auto reader = forWalk ? fmt::openArchiveForWalk(archive) : fmt::openArchive(archive);
  if (!reader) fmt::fail(fmt::ErrorKind::Unsupported, archive + ": not an archive of a known format");
  for (const std::string& w : reader->warnings()) complain(archive + ": " + w);
  // Encrypted entries take their password from the environment, never from a
  // prompt: arctool runs unattended.
  if (const char* pw = std::getenv("ARCTOOL_PASSWORD")) {
    const std::string password = pw;
    reader->setPasswordFn([password](const fmt::Entry&, std::string& out) {
      out = password;
      return true;
    });
  }
  return reader;
}

std::string localStamp(int64_t t) {
  const time_t tt = static_cast<time_t>(t);
  std::tm tm{};
  char buf[32];
#ifdef _WIN32
  const bool local = localtime_s(&tm, &tt) == 0;
#else
  const bool local = localtime_r(&tt, &tm) != nullptr;
#endif
  if (!local || !std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm)) return "-";
  return buf;
}

std::string crcText(const fmt::Entry& e) {
  if (!e.hasCrc) return "-";
  char buf[16];
  std::snprintf(buf, sizeof buf, e.crcBits == 16 ? "%04x" : "%08x", static_cast<unsigned>(e.crc));
  return buf;
}

std::string fixesText(const fmt::NameFixes& f) {
  std::string s;
  auto add = [&s](const char* what) { s += (s.empty() ? "" : ", ") + std::string(what); };
  if (f.droppedRoot) add("root taken off");
  if (f.droppedDotDot) add("'.' or '..' taken off");
  if (f.replacedChars) add("characters replaced");
  if (f.renamedDevice) add("device name renamed");
  return s;
}

const char* kindText(fmt::EntryKind k) {
  switch (k) {
    case fmt::EntryKind::Symlink: return "a symbolic link";
    case fmt::EntryKind::Hardlink: return "a hard link";
    case fmt::EntryKind::Device: return "a device";
    case fmt::EntryKind::Fifo: return "a FIFO";
    default: return "nothing of its name is left";
  }
}

// Reports on standard error what did not go as the archive says.
class Reporter : public fmt::ExtractObserver {
 public:
  explicit Reporter(const std::string& dest) : dest_(dest) {}
  void onEvent(const fmt::ExtractEvent& ev) override {
    const std::string name = fmt::utf8Name(*ev.entry);
    switch (ev.outcome) {
      case fmt::Outcome::Failed: complain(name + ": " + ev.detail); return;
      case fmt::Outcome::SkippedUnsafe: complain(name + ": skipped, " + kindText(ev.entry->kind)); return;
      case fmt::Outcome::SkippedExisting:
      case fmt::Outcome::SkippedNotNewer: complain(name + ": kept the existing file"); return;
      default: break;
    }
    if (ev.fixes.any()) complain(name + ": written as " + relative(ev.path) + " (" + fixesText(ev.fixes) + ")");
  }

 private:
  std::string relative(const std::string& path) const {
    return path.compare(0, dest_.size() + 1, dest_ + "/") == 0 ? path.substr(dest_.size() + 1) : path;
  }
  std::string dest_;
};

class StdoutStream : public fmt::OutStream {
 public:
  void write(const void* buf, size_t n) override {
    if (std::fwrite(buf, 1, n, stdout) != n) fmt::fail(fmt::ErrorKind::Io, "cannot write to standard output");
  }
};

int runExtraction(const std::string& archive, const std::string& dir, bool testOnly) {
  // One decode: the entries are read as they are extracted.
  auto reader = open(archive, true);
  const size_t warned = reader->warnings().size();
  fmt::ExtractRequest req;
  req.destination = dir;
  req.testOnly = testOnly;
  req.overwrite = fmt::Overwrite::Always;
  Reporter reporter(dir);
  const fmt::ExtractSummary sum = fmt::extractEntries(*reader, req, reporter);
  for (size_t i = warned; i < reader->warnings().size(); ++i) complain(archive + ": " + reader->warnings()[i]);
  if (sum.failed) complain(archive + ": " + std::to_string(sum.failed) + " of " + std::to_string(reader->entries().size()) + " entries failed");
  return sum.ok() ? kExitOk : kExitFailed;
}

}  // namespace

void complain(const std::string& message) {
  std::string line = "arctool: ";
  uint32_t cp;
  for (size_t i = 0; i < message.size();) {
    const size_t len = fmt::utf8::decode(message, i, cp);
    const bool control = len == 0 || cp < 0x20 || (cp >= 0x7F && cp <= 0x9F);
    if (control) line += '?';
    else line.append(message, i, len);
    i += len ? len : 1;
  }
  line += '\n';
  std::fputs(line.c_str(), stderr);
}

int listCommand(const std::string& archive) {
  auto reader = open(archive);
  for (const fmt::Entry& e : reader->entries()) {
    const std::string line = e.method + '\t' + std::to_string(e.packedSize) + '\t' + std::to_string(e.size) + '\t' +
                             crcText(e) + '\t' + localStamp(e.mtime) + '\t' + fmt::utf8Name(e, true) + '\n';
    std::fwrite(line.data(), 1, line.size(), stdout);
  }
  return std::fflush(stdout) == 0 ? kExitOk : kExitFailed;
}

int testCommand(const std::string& archive) { return runExtraction(archive, ".", true); }

int extractCommand(const std::string& archive, const std::string& dir) { return runExtraction(archive, dir, false); }

int catCommand(const std::string& archive, const std::string& name) {
  auto reader = open(archive);
  std::string wanted = name;
  while (wanted.size() > 1 && wanted.back() == '/') wanted.pop_back();
  const auto& entries = reader->entries();
  for (size_t i = 0; i < entries.size(); ++i) {
    if (fmt::utf8Name(entries[i]) != wanted) continue;
    if (entries[i].kind != fmt::EntryKind::File) {
      complain(archive + ": " + name + " is not a file");
      return kExitFailed;
    }
    StdoutStream out;
    reader->extract(i, out);
    return std::fflush(stdout) == 0 ? kExitOk : kExitFailed;
  }
  complain(archive + ": no entry " + name);
  return kExitFailed;
}

}  // namespace arctool
