#include "archive_creator.h"

#include <cstdio>
#include <vector>

#include "file_list.h"
#include "proc_address.h"

namespace {
struct LibrarySpec {
  const char* file;
  const char* versionFunction;
  const char* commandEntry;
  unsigned minimum;
  const char* tooOld;
};
const LibrarySpec kLha{"UNLHA32.DLL", "UnlhaGetVersion", "Unlha", archiver::kMinVersionLha,
                       "Ver0.42 以上の UNLHA32.DLL が必要です"};
const LibrarySpec kCab{"CAB32.DLL", "CabGetVersion", "Cab", archiver::kMinVersionCab,
                       "Ver0.65 以上の CAB32.DLL が必要です"};
const LibrarySpec kTar{"TAR32.DLL", "TarGetVersion", "Tar", archiver::kMinVersionTar,
                       "Ver0.51 以上の TAR32.DLL が必要です"};

// A library without its version function or command entry counts as missing, silently.
void load(ArchiverLibrary& lib, const LibrarySpec& spec, HWND owner) {
  lib.module = LoadLibraryA(spec.file);
  if (!lib.module) return;
  lib.getVersion = procAddress<archiver::GetVersionFn>(lib.module, spec.versionFunction);
  if (!lib.getVersion) return;
  lib.version = lib.getVersion();
  if (lib.version >= spec.minimum) {
    lib.command = procAddress<archiver::CommandFn>(lib.module, spec.commandEntry);
    return;
  }
  MessageBoxA(owner, spec.tooOld, "Pakmo", MB_OK);
}

void unload(ArchiverLibrary& lib) {
  if (lib.module) FreeLibrary(lib.module);
  lib = ArchiverLibrary{};
}

// The builders' folder change; failures are left to the library's report.
void enterBaseFolder(std::string base) {
  if (base.empty() || base == kNoCommonFolder) return;  // no folder to go to: names are full paths
  if (base.back() == ':') base += '\\';
  SetCurrentDirectoryA(base.c_str());
}

std::string tail(const std::string& archivePath, const std::string& names) {
  return " \"" + archivePath + "\" " + names;
}

bool endsWith(const std::string& s, const char* suffix) {
  const std::string x(suffix);
  return s.size() >= x.size() && s.compare(s.size() - x.size(), x.size(), x) == 0;
}
}  // namespace

int CArchiveCreator::LoadLibraries(HWND messageOwner) {
  load(m_lha, kLha, messageOwner);
  load(m_cab, kCab, messageOwner);
  load(m_tar, kTar, messageOwner);
  return m_lha.Usable() || m_cab.Usable() || m_tar.Usable() ? 1 : 0;
}

void CArchiveCreator::UnloadLibraries() {
  unload(m_cab);
  unload(m_tar);
  unload(m_lha);
}

const ArchiverLibrary& CArchiveCreator::Library(int format) const {
  static const ArchiverLibrary none;
  switch (format) {
    case kFormatLha: return m_lha;
    case kFormatTar: return m_tar;
    case kFormatCab: return m_cab;
    default: return none;
  }
}

void CArchiveCreator::PrepareSaveDialog(OPENFILENAMEA& dialog, int methodIndex) const {
  // Filters are pairs of NUL-terminated texts ended by an empty one.
  static const char kLhaFilter[] = "書庫ﾌｧｲﾙ(*.lzh)\0*.lzh\0*.*\0*.*\0";
  static const char kCabFilter[] = "ｷｬﾋﾞﾈｯﾄﾌｧｲﾙ(*.cab)\0*.cab\0*.*\0*.*\0";
  static const char kTgzFilter[] = "tar.gzﾌｧｲﾙ(*.tar.gz)\0*.tar.gz\0全てのﾌｧｲﾙ(*.*)\0*.*\0";
  static const char kTbzFilter[] = "tar.bz2ﾌｧｲﾙ(*.tar.bz2)\0*.tar.bz2\0全てのﾌｧｲﾙ(*.*)\0*.*\0";
  static const char kTarFilter[] = "Tarﾌｧｲﾙ(*.tgz)\0*.tgz\0*.*\0*.*\0";
  switch (m_format) {
    case kFormatCab:
      dialog.lpstrFilter = kCabFilter;
      dialog.lpstrTitle = "ｷｬﾋﾞﾈｯﾄﾌｧｲﾙの名前を入力してください。";
      dialog.lpstrDefExt = "cab";
      break;
    case kFormatTar:
      if (methodIndex == 0) {
        dialog.lpstrFilter = kTgzFilter;
        dialog.lpstrTitle = "tar.gzﾌｧｲﾙの名前を入力してください。";
        dialog.lpstrDefExt = "tar.gz";
      } else if (methodIndex == 1) {
        dialog.lpstrFilter = kTbzFilter;
        dialog.lpstrTitle = "tar.bz2ﾌｧｲﾙの名前を入力してください。";
        dialog.lpstrDefExt = "tar.bz2";
      } else {
        dialog.lpstrFilter = kTarFilter;
        dialog.lpstrTitle = "Tarﾌｧｲﾙの名前を入力してください。";
        dialog.lpstrDefExt = "tar";
      }
      break;
    default:
      dialog.lpstrFilter = kLhaFilter;
      dialog.lpstrTitle = "書庫ﾌｧｲﾙの名前を入力してください。";
      dialog.lpstrDefExt = "lzh";
      break;
  }
}

std::string CArchiveCreator::BuildLhaCommand(const std::string& archivePath, const std::string& names,
                                             const std::string& baseFolder, const CreateOptions& o) {
  std::string line = "a -x -a1 -+ -c1";
  if (!o.withFullPath) enterBaseFolder(baseFolder);
  if (o.withSubfolders == 1) line += " -r2";
  if (o.shortNames == 1) line += " -ji";
  line += o.methodIndex == 1 ? " -jm3" : o.methodIndex == 2 ? " -jm4" : " -jm2";
  return line + tail(archivePath, names);
}

std::string CArchiveCreator::BuildCabCommand(const std::string& archivePath, const std::string& names,
                                             const std::string& baseFolder, const CreateOptions& o) {
  std::string line = "-a";
  // Always: the names are relative to the base folder whenever there is one.
  enterBaseFolder(baseFolder);
  if (o.withSubfolders == 1) line += " -r";
  if (o.shortNames == 1) line += " -q";
  if (o.methodIndex == 0) {
    line += " -mz";
  } else if (o.methodIndex == 1) {
    char level[32];
    std::snprintf(level, sizeof level, " -ml:%d", o.level);
    line += level;
  } else {
    line += " -ms";
  }
  return line + tail(archivePath, names);
}

std::string CArchiveCreator::BuildTarCommand(const std::string& archivePath, const std::string& names,
                                             const std::string& baseFolder, const CreateOptions& o) {
  std::string line = "c -vf";
  std::string archive = archivePath;
  if (o.methodIndex == 0 || o.methodIndex == 1) {
    char method[32];
    std::snprintf(method, sizeof method, o.methodIndex == 0 ? "z%d " : "B%d ", o.level);
    line += method;
    if (endsWith(archive, ".tar")) archive += o.methodIndex == 0 ? ".gz" : ".bz2";
  }
  if (!o.withFullPath) enterBaseFolder(baseFolder);
  return line + tail(archive, names);
}

std::string CArchiveCreator::CreateArchive(const std::string& archivePath, const std::string& names,
                                           const std::string& currentFolder, std::string baseFolder,
                                           const CreateOptions& options) {
  std::string line;
  switch (m_format) {
    case kFormatLha: line = BuildLhaCommand(archivePath, names, baseFolder, options); break;
    case kFormatTar: line = BuildTarCommand(archivePath, names, baseFolder, options); break;
    case kFormatCab: line = BuildCabCommand(archivePath, names, baseFolder, options); break;
    default: return std::string();
  }
  std::vector<char> buffer(archiver::kOutputSize, '\0');
  RunCommand(line, buffer.data(), archiver::kOutputSize);
  SetCurrentDirectoryA(currentFolder.c_str());
  buffer.back() = '\0';  // a library that filled it all still ends here
  return std::string(buffer.data());
}

int CArchiveCreator::RunCommand(const std::string& commandLine, char* buffer, DWORD size) const {
  const ArchiverLibrary& lib = Library(m_format);
  if (!lib.Usable()) return -1;
  return lib.command(m_owner, commandLine.c_str(), buffer, size);
}
