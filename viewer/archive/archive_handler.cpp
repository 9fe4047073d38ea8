#include "archive_handler.h"

#include <cstdio>
#include <vector>

#include "sjis.h"

CArchiveHandler::CArchiveHandler(const char* fileName, const char* prefix, unsigned minVersion)
    : m_fileName(fileName), m_prefix(prefix), m_minVersion(minVersion) {}

CArchiveHandler::~CArchiveHandler() { Unload(); }

bool CArchiveHandler::Load() {
  if (m_module) return true;
  m_module = LoadLibraryA(m_fileName);
  if (!m_module) return false;
  const bool complete = m_library.bind(m_module, m_prefix);
  if (m_library.getVersion) m_version = static_cast<DWORD>(m_library.getVersion()) & 0xFFFF;
  // A library that lacks a function the viewer calls counts as absent: calling
  // through a null pointer later would be far worse than a clear notice now.
  if (!m_library.getVersion || m_version < m_minVersion || !complete || !BindExtras()) {
    Unload();
    return false;
  }
  return true;
}

void CArchiveHandler::Unload() {
  if (!m_module) return;
  CloseArchive();
  FreeLibrary(m_module);
  m_module = nullptr;
  m_version = 0;
  m_library = archiver::Functions{};
}

int CArchiveHandler::RunCommand(HWND window, const std::string& commandLine, char* output, DWORD size) {
  if (!m_module) return -1;
  return m_library.command(window, commandLine.c_str(), output, size);
}

int CArchiveHandler::CheckArchive(const std::string& path, int mode) {
  if (!m_module) return 0;
  return m_library.checkArchive(path.c_str(), mode);
}

int CArchiveHandler::GetFileCount(const std::string& path) {
  if (!m_module) return -1;
  return m_library.getFileCount(path.c_str());
}

bool CArchiveHandler::OpenArchive(HWND window, const std::string& path, DWORD mode) {
  if (!m_module) return false;
  m_handle = m_library.openArchive(window, path.c_str(), mode);
  return m_handle != nullptr;
}

int CArchiveHandler::FindFirst(const std::string& wildcard, archiver::ArcItemInfo* info) {
  if (!m_module || !m_handle) return -1;
  return m_library.findFirst(m_handle, wildcard.c_str(), info);
}

int CArchiveHandler::FindNext(archiver::ArcItemInfo* info) {
  if (!m_module || !m_handle) return -1;
  return m_library.findNext(m_handle, info);
}

void CArchiveHandler::CloseArchive() {
  if (m_module && m_handle) m_library.closeArchive(m_handle);
  m_handle = nullptr;
}

std::string CArchiveHandler::MakeSfx(const ArchiveContext&, const std::string&, int) { return std::string(); }

std::string CArchiveHandler::Delete(const ArchiveContext&, const std::string&) { return std::string(); }

bool CArchiveHandler::Rename(const ArchiveContext&, const std::string&, const std::string&) { return false; }

std::string CArchiveHandler::RunForOutput(HWND window, const std::string& commandLine, DWORD size, int* result) {
  if (!m_module) {
    if (result) *result = -1;
    return std::string();
  }
  std::vector<char> output(size, '\0');
  int r = m_library.command(window, commandLine.c_str(), output.data(), size);
  if (result) *result = r;
  output[size - 1] = '\0';  // a library that fills the buffer to the end is still read safely
  return std::string(output.data());
}

std::string CArchiveHandler::RunWithResponseFile(HWND window, const char* fileName, const std::string& text,
                                                 const std::string& commandLine) {
  if (!m_module) return std::string();
  std::string path = ResponseFilePath(fileName);
  FILE* f = std::fopen(path.c_str(), "wt");
  if (f) {
    std::fputs(text.c_str(), f);
    std::fflush(f);
    std::fclose(f);
  }
  std::string line = commandLine.empty() ? "@" + path : commandLine;
  std::string output = RunForOutput(window, line, archiver::kOutputSize);
  DeleteFileA(path.c_str());
  return output;
}

std::string TempFolder() {
  char buf[MAX_PATH] = {};
  DWORD n = GetTempPathA(sizeof buf, buf);
  std::string folder = (n > 0 && n < sizeof buf) ? std::string(buf, n) : std::string();
  sjis::addBackslash(folder);
  return folder;
}

std::string ResponseFilePath(const char* fileName) { return TempFolder() + fileName; }
