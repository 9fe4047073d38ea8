#include "archive_manager.h"

#include <cstring>
#include <vector>

std::string CArchiveManager::LoadLibraries() {
  struct Lib {
    CArchiveHandler* handler;
    const char* line;
  };
  const Lib libs[] = {
      {&lha, "Ver0.42 以上の UNLHA32.DLL が必要です"},
      {&cab, "Ver0.65 以上の CAB32.DLL が必要です"},
      {&tar, "Ver0.51 以上の TAR32.DLL が必要です"},
      {&zip, "Ver5.40 以上の UNZIP32.DLL が必要です"},
  };
  std::string notice;
  for (const Lib& lib : libs) {
    if (lib.handler->Load())
      anyLoaded = 1;
    else
      notice += std::string(lib.line) + "\r\n";
  }
  return notice;
}

int CArchiveManager::BuildOpenFilter(char* buffer, int size) const {
  // Pairs of display name and pattern, each NUL-terminated, ended by an empty string.
  const struct {
    const CArchiveHandler* handler;
    const char* name;
    const char* pattern;
  } pairs[] = {
      {&lha, "書庫ﾌｧｲﾙ(*.lzh;*.exe)", "*.lzh;*.exe"},
      {&zip, "Zipﾌｧｲﾙ(*.zip;*.exe)", "*.zip;*.exe"},
      {&tar, "Tarﾌｧｲﾙ(*.tar;*.tgz;*.tz;*.gz;*.bz2)", "*.tar;*.tgz;*.tz;*.gz;*.bz2"},
      {&cab, "ｷｬﾋﾞﾈｯﾄﾌｧｲﾙ(*.cab;*.exe)", "*.cab;*.exe"},
  };
  std::string filter;
  auto append = [&](const char* s) {
    filter += s;
    filter.push_back('\0');
  };
  int added = 0;
  for (const auto& p : pairs) {
    if (!p.handler->IsPresent()) continue;
    append(p.name);
    append(p.pattern);
    added++;
  }
  if (added == 0) return 0;
  append("全てのﾌｧｲﾙ(*.*)");
  append("*.*");
  filter.push_back('\0');
  // The list is cut rather than written past the caller's buffer; it always ends in two NULs.
  if (!buffer || size < 2) return 0;
  size_t n = filter.size() <= static_cast<size_t>(size) ? filter.size() : static_cast<size_t>(size);
  std::memcpy(buffer, filter.data(), n);
  buffer[size - 1] = '\0';
  if (size >= 2 && n == static_cast<size_t>(size)) buffer[size - 2] = '\0';
  return added;
}

bool CArchiveManager::DetectFormat(const std::string& path) {
  archivePath = path;
  struct Candidate {
    CArchiveHandler* handler;
    int format;
  };
  const Candidate order[] = {{&cab, kFormatCab}, {&lha, kFormatLha}, {&tar, kFormatTar}, {&zip, kFormatZip}};
  for (const Candidate& c : order) {
    if (c.handler->CheckArchive(path, 0) != 0) {
      format = c.format;
      return true;
    }
  }
  return false;
}

CArchiveHandler* CArchiveManager::Current() {
  switch (format) {
    case kFormatLha: return &lha;
    case kFormatZip: return &zip;
    case kFormatTar: return &tar;
    case kFormatCab: return &cab;
    default: return nullptr;
  }
}

const CArchiveHandler* CArchiveManager::Current() const { return const_cast<CArchiveManager*>(this)->Current(); }

int CArchiveManager::GetFileCount() {
  CArchiveHandler* h = Current();
  return h ? h->GetFileCount(archivePath) : -1;
}

bool CArchiveManager::OpenArchive(DWORD mode) {
  CArchiveHandler* h = Current();
  return h ? h->OpenArchive(ownerWindow, archivePath, mode) : false;
}

int CArchiveManager::FindFirst(const std::string& wildcard, archiver::ArcItemInfo* info) {
  CArchiveHandler* h = Current();
  return h ? h->FindFirst(wildcard, info) : -1;
}

int CArchiveManager::FindNext(archiver::ArcItemInfo* info) {
  CArchiveHandler* h = Current();
  return h ? h->FindNext(info) : -1;
}

void CArchiveManager::CloseArchive() {
  if (CArchiveHandler* h = Current()) h->CloseArchive();
}

std::string CArchiveManager::FormatName() const {
  const CArchiveHandler* h = Current();
  return h ? h->FormatName() : std::string();
}

int CArchiveManager::RunCommand(const std::string& commandLine, char* output, DWORD size) {
  CArchiveHandler* h = Current();
  return h ? h->RunCommand(ownerWindow, commandLine, output, size) : -1;
}

std::string CArchiveManager::Extract(const std::string& names, const std::string& dest, const ExtractOptions& options) {
  CArchiveHandler* h = Current();
  return h ? h->Extract(Context(), names, dest, options) : std::string();
}

std::string CArchiveManager::MakeSfx(const std::string& dest, int kind) {
  if (format == kFormatLha) return lha.MakeSfx(Context(), dest, kind);
  if (format == kFormatCab) return cab.MakeSfx(Context(), dest, kind);
  return std::string();
}

std::string CArchiveManager::BuildWorkExtractCommand(const std::string& names) const {
  const CArchiveHandler* h = Current();
  return h ? h->BuildWorkExtractCommand(Context(), names) : std::string();
}

bool CArchiveManager::ExtractToWork(const std::string& names) {
  std::string line = BuildWorkExtractCommand(names);
  if (line.empty()) return false;
  std::vector<char> output(archiver::kOutputSizeWork, '\0');
  RunCommand(line, output.data(), archiver::kOutputSizeWork);
  return true;
}

std::string CArchiveManager::DeleteEntries(const std::string& names) {
  return format == kFormatLha ? lha.Delete(Context(), names) : std::string();
}

bool CArchiveManager::RenameEntry(const std::string& oldName, const std::string& newName) {
  return format == kFormatLha ? lha.Rename(Context(), oldName, newName) : false;
}

void CArchiveManager::UnloadLibraries() {
  cab.Unload();
  tar.Unload();
  zip.Unload();
  lha.Unload();
}
