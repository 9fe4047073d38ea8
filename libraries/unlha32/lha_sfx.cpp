// s: a self-extracting file from an LZH archive. -gw the Windows extractor,
// nothing the DOS one; -jw (Windows 3.1) cannot be made and is refused.
#include "item_info.h"
#include "lha_archive.h"
#include "lha_commands.h"
#include "lzh/lzh_reader.h"
#include "results.h"
#include "self_extractor.h"
#include "sjis_path.h"

namespace unlha {

using namespace dllsupport;

namespace {

// What the DOS extractor decodes: header levels 0 to 2, these methods.
bool dosCanExtract(const fmt::Entry& e) {
  if (e.headerLevel > 2) return false;
  return e.method == "-lh0-" || e.method == "-lh5-" || e.method == "-lh6-" || e.method == "-lh7-" ||
         e.method == "-lhd-";
}

}  // namespace

int sfxCommand(Context& ctx) {
  if (ctx.options.sfx == SfxKind::Win31) {
    ctx.report.line("Windows 3.1 用の自己解凍書庫は作成できません (16 ビットの Windows プログラムはこのライブラリにありません)。"
                    "何も作成しませんでした");
    return kUnsupported;
  }
  int result = kOk;
  auto reader = openForCommand(ctx, result);
  if (!reader) return result;
  auto* lzh = dynamic_cast<fmt::lzh::LzhReader*>(reader.get());
  if (!lzh || lzh->headers().empty()) {
    ctx.report.file("メンバーのない書庫からは作成できません", ctx.options.archive);
    return kNothingToDo;
  }
  const bool dos = ctx.options.sfx == SfxKind::Dos;
  if (dos) {
    bool ok = true;
    for (const auto& e : reader->entries())
      if (!dosCanExtract(e)) {
        ctx.report.line("DOS 用の自己解凍プログラムでは展開できない形式です (" + e.method + "): " + reportedName(e));
        ok = false;
      }
    if (!ok) {
      ctx.report.line("何も作成しませんでした");
      return kUnsupported;
    }
  }
  SfxRequest request;
  request.resource = dos ? kSfxDosResource : kSfxWindowsResource;
  request.archive = ctx.options.archive;
  request.start = lzh->headers().front().offset;  // an existing self-extractor's program is not copied
  request.folder = ctx.options.base;
  reader.reset();
  return writeSelfExtractor(request, ctx.report, ctx.progress);
}

}  // namespace unlha
