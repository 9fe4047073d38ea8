// -f: a self-extracting file from a cabinet, with the Windows extractor.
#include "cab/cab_reader.h"
#include "cab_commands.h"
#include "operands.h"
#include "results.h"
#include "self_extractor.h"
#include "sjis_path.h"

namespace cab32 {

using namespace dllsupport;

int sfxCommand(Context& ctx) {
  const std::string& path = ctx.options.archive;
  if (!fileExists(path)) {
    ctx.report.file("キャビネットが見つかりません", path);
    return kArchiveNotFound;
  }
  auto reader = fmt::openCab(toEnginePath(path));
  auto* cab = dynamic_cast<fmt::cab::CabReader*>(reader.get());
  if (!cab) {
    ctx.report.file("キャビネットではありません", path);
    return kNotArchive;
  }
  // The extractor reads the one cabinet appended to it: a set spread over
  // several cabinets would come out incomplete.
  const auto& volumes = cab->set().volumes;
  if (volumes.size() != 1 || !volumes[0].cab.prevCabinet.empty() || !volumes[0].cab.nextCabinet.empty()) {
    ctx.report.file("複数のキャビネットにまたがるため自己解凍書庫にできません", path);
    ctx.report.line("何も作成しませんでした");
    return kUnsupported;
  }
  if (cab->entries().empty()) {
    ctx.report.file("ファイルのないキャビネットからは作成できません", path);
    return kNothingToDo;
  }
  SfxRequest request;
  request.resource = kSfxWindowsResource;
  request.archive = path;
  request.start = volumes[0].cab.base;
  request.length = volumes[0].cab.size;
  request.folder = ctx.options.folder;
  reader.reset();
  return writeSelfExtractor(request, ctx.report, ctx.progress);
}

}  // namespace cab32
