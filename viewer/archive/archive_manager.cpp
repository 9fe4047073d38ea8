#include "archive_manager.h"

#include <cstring>
#include <vector>

std::string CArchiveManager::LoadLibraries() {
  struct Lib {
    CArchiveHandler* handler;
    const char* line;
  };
  const Lib libs[] = {
      {&m_lha, "Ver0.42 以上の UNLHA32.DLL が必要です"},
      {&m_cab, "Ver0.65 以上の CAB32.DLL が必要です"},
      {&m_tar, "Ver0.51 以上の TAR32.DLL が必要です"},
      {&m_zip, "Ver5.40 以上の UNZIP32.DLL が必要です"},
  };
  std::string notice;
  for (const Lib& lib : libs) {
    if (lib.handler->Load())
      m_anyLoaded = true;
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
      {&m_lha, "書庫ﾌｧｲﾙ(*.lzh;*.exe)", "*.lzh;*.exe"},
      {&m_zip, "Zipﾌｧｲﾙ(*.zip;*.exe)", "*.zip;*.exe"},
      {&m_tar, "Tarﾌｧｲﾙ(*.tar;*.tgz;*.tz;*.gz;*.bz2)", "*.tar;*.tgz;*.tz;*.gz;*.bz2"},
      {&m_cab, "ｷｬﾋﾞﾈｯﾄﾌｧｲﾙ(*.cab;*.exe)", "*.cab;*.exe"},
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
  m_archivePath = path;
  struct Candidate {
    CArchiveHandler* handler;
    int format;
  };
  const Candidate order[] = {{&m_cab, kFormatCab}, {&m_lha, kFormatLha}, {&m_tar, kFormatTar}, {&m_zip, kFormatZip}};
  for (const Candidate& c : order) {
    if (c.handler->CheckArchive(path, 0) != 0) {
      m_format = c.format;
      return true;
    }
  }
  return false;
}

CArchiveHandler* CArchiveManager::Handler(int format) {
  switch (format) {
    case kFormatLha: return &m_lha;
    case kFormatZip: return &m_zip;
    case kFormatTar: return &m_tar;
    case kFormatCab: return &m_cab;
    default: return nullptr;
  }
}

const CArchiveHandler* CArchiveManager::Handler(int format) const {
  return const_cast<CArchiveManager*>(this)->Handler(format);
}

int CArchiveManager::GetFileCount() {
  CArchiveHandler* h = Current();
  return h ? h->GetFileCount(m_archivePath) : -1;
}

bool CArchiveManager::OpenArchive(DWORD mode) {
  CArchiveHandler* h = Current();
  return h ? h->OpenArchive(m_ownerWindow, m_archivePath, mode) : false;
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
  return h ? h->RunCommand(m_ownerWindow, commandLine, output, size) : -1;
}

std::string CArchiveManager::Extract(const std::string& names, const std::string& dest, const ExtractOptions& options) {
  CArchiveHandler* h = Current();
  return h ? h->Extract(Context(), names, dest, options) : std::string();
}

std::string CArchiveManager::MakeSfx(const std::string& dest, int kind) {
  CArchiveHandler* h = Current();
  return h ? h->MakeSfx(Context(), dest, kind) : std::string();
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

bool CArchiveManager::CanEdit() const {
  const CArchiveHandler* h = Current();
  return h && h->CanEdit();
}

std::string CArchiveManager::DeleteEntries(const std::string& names) {
  CArchiveHandler* h = Current();
  return h ? h->Delete(Context(), names) : std::string();
}

bool CArchiveManager::RenameEntry(const std::string& oldName, const std::string& newName) {
  CArchiveHandler* h = Current();
  return h && h->Rename(Context(), oldName, newName);
}

void CArchiveManager::UnloadLibraries() {
  m_cab.Unload();
  m_tar.Unload();
  m_zip.Unload();
  m_lha.Unload();
}
