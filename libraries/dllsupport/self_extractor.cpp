#include "self_extractor.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "base/sjis.h"
#include "core/atomic_file.h"
#include "dialogs.h"
#include "engine_messages.h"
#include "platform/platform.h"
#include "results.h"
#include "sjis_path.h"

namespace dllsupport {

namespace {

// Start of the last component of a Shift-JIS path (a 5C trail byte is no separator).
size_t leafStart(const std::string& sjis) {
  size_t leaf = 0;
  for (size_t i = 0; i < sjis.size(); i = sjis::next(sjis, i))
    if (!sjis::isPair(sjis, i) && (sjis[i] == '\\' || sjis[i] == '/' || sjis[i] == ':')) leaf = i + 1;
  return leaf;
}

bool endsInSeparator(const std::string& sjis) {
  size_t last = std::string::npos;
  for (size_t i = 0; i < sjis.size(); i = sjis::next(sjis, i)) last = i;
  return last != std::string::npos && !sjis::isPair(sjis, last) && (sjis[last] == '\\' || sjis[last] == '/');
}

// The folders on the way to `folder` (engine path) that are not there yet, deepest first.
std::vector<std::string> missingFolders(std::string folder) {
  std::vector<std::string> missing;
  while (!folder.empty() && folder != "." && !fmt::platform::stat(folder).exists) {
    missing.push_back(folder);
    std::string up = fmt::platform::parentFolder(folder);
    if (up == folder) break;
    folder = std::move(up);
  }
  return missing;
}

}  // namespace

std::string sfxTarget(const SfxRequest& request) {
  const size_t leaf = leafStart(request.archive);
  std::string name = request.archive.substr(leaf);
  const size_t dot = name.rfind('.');  // '.' is never a trail byte
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  std::string folder = request.folder.empty() ? request.archive.substr(0, leaf) : request.folder;
  if (!folder.empty() && !endsInSeparator(folder) && folder.back() != ':') folder += '\\';
  return folder + name + ".exe";
}

int writeSelfExtractor(const SfxRequest& request, Report& report, ProgressWindow* progress) {
  HRSRC found = FindResourceA(moduleInstance(), MAKEINTRESOURCEA(request.resource), MAKEINTRESOURCEA(10));  // RT_RCDATA
  HGLOBAL loaded = found ? LoadResource(moduleInstance(), found) : nullptr;
  const auto* stub = loaded ? static_cast<const uint8_t*>(LockResource(loaded)) : nullptr;
  const DWORD stubSize = found ? SizeofResource(moduleInstance(), found) : 0;
  if (!stub || !stubSize) {
    report.line("自己解凍プログラムがライブラリにありません。何も作成しませんでした");
    return kInternal;
  }
  const std::string target = sfxTarget(request);
  const std::string targetUtf8 = toEnginePath(target);
  const std::string archiveUtf8 = toEnginePath(request.archive);
  // Writing over the archive itself would destroy what is being copied.
  const auto t = fmt::platform::stat(targetUtf8);
  if (t.exists && CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, target.c_str(), -1, request.archive.c_str(), -1) ==
                      CSTR_EQUAL) {
    report.file("書庫と同じ名前になるため作成できません", target);
    return kBadCommand;
  }
  if (t.isFolder) {
    report.file("同じ名前のフォルダがあるため作成できません", target);
    return kIoError;
  }
  // A failed or cancelled write takes back the folders it made for the file.
  const std::vector<std::string> made = missingFolders(fmt::platform::parentFolder(targetUtf8));
  try {
    fmt::platform::makeFolders(fmt::platform::parentFolder(targetUtf8));
    auto in = fmt::platform::File::open(archiveUtf8, fmt::platform::File::Read);
    const uint64_t size = in->size();
    const uint64_t start = std::min(request.start, size);
    uint64_t left = std::min(request.length, size - start);
    const uint64_t total = stubSize + left;
    const std::string shown = target.substr(leafStart(target));
    auto carryOn = [&](uint64_t done) {
      if (progress && !progress->update(shown, done, total)) fmt::fail(fmt::ErrorKind::Cancelled, "cancelled");
    };
    fmt::AtomicFile out(targetUtf8);  // removed unless committed
    out.file().write(stub, stubSize);
    carryOn(stubSize);
    in->seek(start);
    std::vector<uint8_t> buf(1 << 16);
    while (left) {
      const size_t n = static_cast<size_t>(std::min<uint64_t>(left, buf.size()));
      const size_t got = in->read(buf.data(), n);
      if (got == 0) fmt::fail(fmt::ErrorKind::Truncated, "the archive became shorter while it was copied");
      out.file().write(buf.data(), got);
      left -= got;
      carryOn(total - left);
    }
    out.commit();
  } catch (const fmt::Error& e) {
    for (const auto& folder : made) {
      try {
        fmt::platform::removeFolder(folder);
      } catch (const fmt::Error&) {
        break;  // something else is in it now
      }
    }
    report.line(std::string(describe(resultFor(e.kind()))) + ": " + target + ": " + engineMessage(e.what()));
    return resultFor(e.kind());
  }
  report.file("自己解凍書庫を作成しました", target);
  return kOk;
}

}  // namespace dllsupport
