#include "lha_handler.h"

std::string CLhaHandler::ExtractText(const ArchiveContext& ctx, const std::string& names, const std::string& dest,
                                     const ExtractOptions& options) {
  std::string switches;
  if (options.useFolders == 1) switches += "-x1 ";
  if (options.overwriteAll == 1) switches += "-y1 ";
  if (options.ignoreDate == 1) switches += "-c1 ";
  return "e \"" + ctx.archivePath + "\" \"" + dest + "\" " + names + " " + switches + "-+ -a1";
}

std::string CLhaHandler::Extract(const ArchiveContext& ctx, const std::string& names, const std::string& dest,
                                 const ExtractOptions& options) {
  if (!IsPresent()) return std::string();
  return RunWithResponseFile(ctx.ownerWindow, "@Dexlor@@.res", ExtractText(ctx, names, dest, options));
}

std::string CLhaHandler::SfxCommand(const ArchiveContext& ctx, const std::string& dest, int kind) {
  const char* kindSwitch = kind == kSfxWin95 ? "-gw " : kind == kSfxWin31 ? "-jw " : "";
  return "s \"" + ctx.archivePath + "\" \"" + dest + "\" " + kindSwitch + "-x -+ -a1";
}

std::string CLhaHandler::MakeSfx(const ArchiveContext& ctx, const std::string& dest, int kind) {
  if (!IsPresent()) return std::string();
  return RunForOutput(ctx.ownerWindow, SfxCommand(ctx, dest, kind), archiver::kOutputSizeSmall);
}

std::string CLhaHandler::BuildWorkExtractCommand(const ArchiveContext& ctx, const std::string& names) const {
  return "e \"" + ctx.archivePath + "\" \"" + ctx.workFolder + "\" " + names + " -p -+ -a1 -c1 -m1";
}

std::string CLhaHandler::DeleteText(const ArchiveContext& ctx, const std::string& names) {
  return "d -+  \"" + ctx.archivePath + "\" " + names + "\n";
}

std::string CLhaHandler::Delete(const ArchiveContext& ctx, const std::string& names) {
  if (!IsPresent()) return std::string();
  if (MessageBoxA(ctx.ownerWindow, "削除してもよろしいですか？", "Dexlor", MB_OKCANCEL | MB_ICONQUESTION) != IDOK)
    return std::string();
  return RunWithResponseFile(ctx.ownerWindow, "@Dexlor@@.res", DeleteText(ctx, names));
}

std::string CLhaHandler::RenameCommand(const ArchiveContext& ctx, const std::string& oldName,
                                       const std::string& newName) {
  std::string line = "n \"" + ctx.archivePath + "\" \"" + oldName + "\" -pn ";
  line += newName.empty() ? std::string("-+ -a1") : "-gr\"" + newName + "\"";
  return line;
}

bool CLhaHandler::Rename(const ArchiveContext& ctx, const std::string& oldName, const std::string& newName) {
  if (!IsPresent()) return false;
  int result = -1;
  RunForOutput(ctx.ownerWindow, RenameCommand(ctx, oldName, newName), archiver::kOutputSizeSmall, &result);
  return result == 0;
}
