#include "zip_handler.h"

std::string CZipHandler::ExtractCommand(const ArchiveContext& ctx, const std::string& dest,
                                        const ExtractOptions& options, const std::string& responseFile) {
  std::string switches;
  if (!options.useFolders) switches += "-j ";
  if (options.overwriteAll) switches += "-o ";
  return "-x " + switches + " \"" + ctx.archivePath + "\" \"" + dest + "\" @" + responseFile;
}

std::string CZipHandler::Extract(const ArchiveContext& ctx, const std::string& names, const std::string& dest,
                                 const ExtractOptions& options) {
  if (!IsPresent()) return std::string();
  const char* file = "@Dexlor@@.res";
  return RunWithResponseFile(ctx.ownerWindow, file, names, ExtractCommand(ctx, dest, options, ResponseFilePath(file)));
}

std::string CZipHandler::BuildWorkExtractCommand(const ArchiveContext& ctx, const std::string& names) const {
  return "-x --i -o -j \"" + ctx.archivePath + "\" \"" + ctx.workFolder + "\" " + names;
}
