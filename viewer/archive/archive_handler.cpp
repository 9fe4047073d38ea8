#include "archive_handler.h"

#include <cstdio>
#include <vector>

#include "sjis.h"

CArchiveHandler::CArchiveHandler(const char* fileName, const char* prefix, unsigned minVersion)
    : m_fileName(fileName), m_prefix(prefix), m_minVersion(minVersion) {}

CArchiveHandler::~CArchiveHandler() { Unload(); }

bool CArchiveHandler::Load() {
  if (module) return true;
  module = LoadLibraryA(m_fileName);
  if (!module) return false;
  getVersion = Bind<archiver::GetVersionFn>("GetVersion");
  if (getVersion) version = static_cast<DWORD>(getVersion()) & 0xFFFF;
  if (!getVersion || version < m_minVersion) {
    Unload();
    return false;
  }
  command = Bind<archiver::CommandFn>("");
  getFileCount = Bind<archiver::GetFileCountFn>("GetFileCount");
  openArchive = Bind<archiver::OpenArchiveFn>("OpenArchive");
  findFirst = Bind<archiver::FindFirstFn>("FindFirst");
  findNext = Bind<archiver::FindNextFn>("FindNext");
  closeArchive = Bind<archiver::CloseArchiveFn>("CloseArchive");
  checkArchive = Bind<archiver::CheckArchiveFn>("CheckArchive");
  // A library that lacks a function the viewer calls counts as absent: calling
  // through a null pointer later would be far worse than a clear notice now.
  if (!command || !getFileCount || !openArchive || !findFirst || !findNext || !closeArchive || !checkArchive ||
      !BindExtras()) {
    Unload();
    return false;
  }
  return true;
}

void CArchiveHandler::Unload() {
  if (!module) return;
  CloseArchive();
  FreeLibrary(module);
  module = nullptr;
  version = 0;
  getVersion = nullptr;
  command = nullptr;
  getFileCount = nullptr;
  openArchive = nullptr;
  findFirst = nullptr;
  findNext = nullptr;
  closeArchive = nullptr;
  checkArchive = nullptr;
}

int CArchiveHandler::RunCommand(HWND window, const std::string& commandLine, char* output, DWORD size) {
  if (!module) return -1;
  return command(window, commandLine.c_str(), output, size);
}

int CArchiveHandler::CheckArchive(const std::string& path, int mode) {
  if (!module) return 0;
  return checkArchive(path.c_str(), mode);
}

int CArchiveHandler::GetFileCount(const std::string& path) {
  if (!module) return -1;
  return getFileCount(path.c_str());
}

bool CArchiveHandler::OpenArchive(HWND window, const std::string& path, DWORD mode) {
  if (!module) return false;
  handle = openArchive(window, path.c_str(), mode);
  return handle != nullptr;
}

int CArchiveHandler::FindFirst(const std::string& wildcard, archiver::ArcItemInfo* info) {
  if (!module || !handle) return -1;
  return findFirst(handle, wildcard.c_str(), info);
}

int CArchiveHandler::FindNext(archiver::ArcItemInfo* info) {
  if (!module || !handle) return -1;
  return findNext(handle, info);
}

void CArchiveHandler::CloseArchive() {
  if (module && handle) closeArchive(handle);
  handle = nullptr;
}

std::string CArchiveHandler::RunForOutput(HWND window, const std::string& commandLine, DWORD size, int* result) {
  if (!module) {
    if (result) *result = -1;
    return std::string();
  }
  std::vector<char> output(size, '\0');
  int r = command(window, commandLine.c_str(), output.data(), size);
  if (result) *result = r;
  output[size - 1] = '\0';  // a library that fills the buffer to the end is still read safely
  return std::string(output.data());
}

std::string CArchiveHandler::RunWithResponseFile(HWND window, const char* fileName, const std::string& text,
                                                 const std::string& commandLine) {
  if (!module) return std::string();
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
