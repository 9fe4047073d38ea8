#include "sfx_run.h"

#include "core/names.h"
#include "engine_messages.h"
#include "open_payload.h"
#include "payload.h"
#include "platform/platform.h"
#include "results.h"
#include "sjis_path.h"

namespace sfx {

namespace {

std::string shownName(const fmt::Entry& e) {
  std::string n = dllsupport::backslashSeparators(fmt::sjisName(e, false));
  if (e.isFolder()) n += '\\';
  return n;
}

class Observer : public fmt::ExtractObserver {
 public:
  Observer(SfxUi& ui, const std::string& dest) : ui_(ui), dest_(dest) {}

  fmt::OverwriteAnswer askOverwrite(const fmt::Entry&, const std::string& path, const fmt::platform::FileInfo&) override {
    return ui_.askOverwrite(dllsupport::backslashSeparators(dllsupport::fromEngine(path)));
  }
  bool onProgress(const fmt::Entry& e, uint64_t done, uint64_t total) override {
    return ui_.progress(shownName(e), done, total);
  }
  void onEvent(const fmt::ExtractEvent& ev) override {
    const std::string name = shownName(*ev.entry);
    if (ev.fixes.any() && !ev.path.empty())
      ui_.line("名前を変更しました: " + name + " -> " + dllsupport::backslashSeparators(dllsupport::fromEngine(relative(ev.path))));
    switch (ev.outcome) {
      case fmt::Outcome::Created: ui_.line("展開しました: " + name); break;
      case fmt::Outcome::Replaced: ui_.line("置き換えました: " + name); break;
      case fmt::Outcome::SkippedExisting:
      case fmt::Outcome::SkippedNotNewer:
        ui_.line("既存のファイルを残しました: " + name);
        kept = true;
        break;
      case fmt::Outcome::SkippedUnsafe:
        ui_.line("安全でないため展開しませんでした: " + name);
        kept = true;
        break;
      case fmt::Outcome::FolderMade: ui_.line("フォルダを作成しました: " + name); break;
      case fmt::Outcome::Tested: break;
      case fmt::Outcome::Failed: {
        const dllsupport::Result r = dllsupport::resultFor(ev.errorKind);
        std::string text = std::string(dllsupport::describe(r)) + ": " + name;
        // The policy wrote into a temporary file and removed it: say so, since
        // a user would otherwise look for the damaged file.
        if (ev.errorKind == fmt::ErrorKind::Checksum) text += " (ファイルは作成していません)";
        ui_.line(text + ": " + dllsupport::engineMessage(ev.detail));
        break;
      }
    }
  }
  bool kept = false;

 private:
  std::string relative(const std::string& path) const {
    return path.compare(0, dest_.size() + 1, dest_ + "/") == 0 ? path.substr(dest_.size() + 1) : path;
  }
  SfxUi& ui_;
  std::string dest_;
};

}  // namespace

RunTotals totals(const fmt::ArchiveReader& reader) {
  RunTotals t;
  for (const auto& e : reader.entries())
    if (e.kind == fmt::EntryKind::File) ++t.files, t.bytes += e.size;
  return t;
}

int extractAll(fmt::ArchiveReader& reader, const std::string& destination, bool ask, SfxUi& ui) {
  fmt::ExtractRequest req;
  req.destination = destination;
  req.keepFolders = true;
  req.overwrite = ask ? fmt::Overwrite::Ask : fmt::Overwrite::Always;
  req.restoreAttributes = true;
  Observer observer(ui, destination);
  fmt::ExtractSummary s;
  try {
    s = fmt::extractEntries(reader, req, observer);
  } catch (const fmt::Error& e) {
    // The destination itself could not be made.
    ui.line(std::string(dllsupport::describe(dllsupport::resultFor(e.kind()))) + ": " + dllsupport::engineMessage(e.what()));
    return e.kind() == fmt::ErrorKind::Cancelled ? kExitCancelled : kExitFileErrors;
  }
  ui.line("展開 " + std::to_string(s.done) + " 個、スキップ " + std::to_string(s.skipped) + " 個、エラー " +
          std::to_string(s.failed) + " 個");
  if (s.cancelled) {
    ui.line("中止しました。途中のファイルは残していません");
    return kExitCancelled;
  }
  if (s.failed) return kExitFileErrors;
  return observer.kept ? kExitNotAll : kExitOk;
}

std::unique_ptr<fmt::ArchiveReader> openSelf(const std::string& selfPath, SfxUi& ui, int& status) {
  status = kExitDamaged;
  try {
    const uint64_t offset = imageEndOfFile(selfPath);
    auto reader = offset ? openPayload(selfPath, offset) : nullptr;
    if (!reader || reader->entries().empty()) {
      ui.line("このプログラムには書庫が付いていないか、書庫が壊れています");
      return nullptr;
    }
    for (const auto& w : reader->warnings()) {
      // A warning here means the archive ends early or carries garbage: refuse
      // rather than extract part of it silently.
      ui.line("書庫が壊れています: " + dllsupport::engineMessage(w));
      return nullptr;
    }
    status = kExitOk;
    return reader;
  } catch (const fmt::Error& e) {
    ui.line("書庫が壊れています: " + dllsupport::engineMessage(e.what()));
    return nullptr;
  }
}

}  // namespace sfx
