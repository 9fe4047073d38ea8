#include "tar_handler.h"

#include <cstring>

#include "fault_guard.h"
#include "sjis.h"

bool CTarHandler::BindExtras() {
  m_getArchiveType = Bind<archiver::GetArchiveTypeFn>("GetArchiveType");
  return m_getArchiveType != nullptr;
}

namespace {
struct CheckCall {
  archiver::CheckArchiveFn fn;
  const char* path;
  int mode;
};
int callCheck(void* arg) {
  auto* c = static_cast<CheckCall*>(arg);
  return c->fn(c->path, c->mode);
}
}  // namespace

int CTarHandler::CheckArchive(const std::string& path, int mode) {
  if (!IsPresent()) return 0;
  CheckCall call{Library().checkArchive, path.c_str(), mode};
  int result = 0;
  if (!CallGuarded(callCheck, &call, &result)) return 0;  // a failure inside counts as "not a tar archive"
  return result;
}

bool CTarHandler::OpenArchive(HWND window, const std::string& path, DWORD mode) {
  if (!IsPresent()) return false;
  m_archiveType = m_getArchiveType(path.c_str());
  return CArchiveHandler::OpenArchive(window, path, mode);
}

int CTarHandler::FindFirst(const std::string& wildcard, archiver::ArcItemInfo* info) {
  int result = CArchiveHandler::FindFirst(wildcard, info);
  if (result == 0 && info) {
    info->name[sizeof info->name - 1] = '\0';
    std::string name(info->name);
    size_t cut = sjis::lastBackslash(name);
    if (cut != std::string::npos) {
      std::string rest = name.substr(cut + 1);
      std::memset(info->name, 0, sizeof info->name);
      std::memcpy(info->name, rest.data(), rest.size());
    }
  }
  return result;
}

std::string CTarHandler::FormatName() const {
  switch (m_archiveType) {
    case archiver::kTar: return "TAR";
    case archiver::kTarGz: return "TAR.GZ(TGZ)";
    case archiver::kTarZ: return "TAR.Z(TAZ)";
    case archiver::kGz: return "GZ";
    case archiver::kZ: return "Z";
    case archiver::kTarBz2: return "TAR.BZ2";
    case archiver::kBz2: return "BZ2";
    default: return "";
  }
}

std::string CTarHandler::ExtractText(const ArchiveContext& ctx, const std::string& names, const std::string& dest,
                                     const ExtractOptions& options) {
  std::string text = "--use-directory=";
  text += options.useFolders == 1 ? "1 " : "0 ";
  if (options.overwriteAll != 1) text += "q";
  return text + "xvf \"" + ctx.archivePath + "\" \"" + dest + "\" " + names;
}

std::string CTarHandler::Extract(const ArchiveContext& ctx, const std::string& names, const std::string& dest,
                                 const ExtractOptions& options) {
  if (!IsPresent()) return std::string();
  return RunWithResponseFile(ctx.ownerWindow, "@DexTar@@.res", ExtractText(ctx, names, dest, options));
}

std::string CTarHandler::BuildWorkExtractCommand(const ArchiveContext& ctx, const std::string& names) const {
  return "--use-directory=0 xfI \"" + ctx.archivePath + "\" -o \"" + ctx.workFolder + "\" " + names;
}
