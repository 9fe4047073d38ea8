#include "cab_handler.h"

std::string CCabHandler::ExtractCommand(const ArchiveContext& ctx, const std::string& names, const std::string& dest,
                                        const ExtractOptions& options) {
  std::string line = "-x \"" + ctx.archivePath + "\" \"" + dest + "\" " + names;
  if (!options.useFolders) line += " -j ";
  if (!options.overwriteAll) line += " -n ";
  if (options.ignoreDate) line += " -o ";
  return line;
}

std::string CCabHandler::Extract(const ArchiveContext& ctx, const std::string& names, const std::string& dest,
                                 const ExtractOptions& options) {
  if (!IsPresent()) return std::string();
  return RunForOutput(ctx.ownerWindow, ExtractCommand(ctx, names, dest, options), archiver::kOutputSize);
}

std::string CCabHandler::SfxCommand(const ArchiveContext& ctx, const std::string& dest) {
  return "-f \"" + ctx.archivePath + "\" \"" + dest + "\" ";
}

std::string CCabHandler::MakeSfx(const ArchiveContext& ctx, const std::string& dest, int) {
  if (!IsPresent()) return std::string();
  return RunForOutput(ctx.ownerWindow, SfxCommand(ctx, dest), archiver::kOutputSizeSmall);
}

std::string CCabHandler::BuildWorkExtractCommand(const ArchiveContext& ctx, const std::string& names) const {
  return "-x \"" + ctx.archivePath + "\" \"" + ctx.workFolder + "\" " + names + " -j -i -o ";
}
