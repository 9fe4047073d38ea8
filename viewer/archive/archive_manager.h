// The viewer's one way to archives: owns the four handlers, knows the current
// archive and its format, and forwards every request to the current handler.
#pragma once
#include <windows.h>

#include <string>

#include "archive_types.h"
#include "cab_handler.h"
#include "lha_handler.h"
#include "tar_handler.h"
#include "zip_handler.h"

class CArchiveManager {
 public:
  CArchiveManager() = default;
  ~CArchiveManager() { UnloadLibraries(); }
  CArchiveManager(const CArchiveManager&) = delete;
  CArchiveManager& operator=(const CArchiveManager&) = delete;

  // Loads LHA, CAB, TAR and ZIP; returns one line (CR LF) per absent library.
  std::string LoadLibraries();
  // The open-file dialog's filter of the present formats and the catch-all pair;
  // returns the number of formats in it, 0 when no library is present.
  int BuildOpenFilter(char* buffer, int size) const;
  bool DetectFormat(const std::string& path);

  int GetFileCount();
  bool OpenArchive(DWORD mode);
  int FindFirst(const std::string& wildcard, archiver::ArcItemInfo* info);
  int FindNext(archiver::ArcItemInfo* info);
  void CloseArchive();
  std::string FormatName() const;
  int RunCommand(const std::string& commandLine, char* output, DWORD size);

  std::string Extract(const std::string& names, const std::string& dest, const ExtractOptions& options);
  std::string MakeSfx(const std::string& dest, int kind);
  std::string BuildWorkExtractCommand(const std::string& names) const;
  bool ExtractToWork(const std::string& names);
  bool CanEdit() const { return format == kFormatLha; }
  std::string DeleteEntries(const std::string& names);
  bool RenameEntry(const std::string& oldName, const std::string& newName);
  void UnloadLibraries();

  // The handler of the current format, or null when none is current.
  CArchiveHandler* Current();
  const CArchiveHandler* Current() const;
  ArchiveContext Context() const { return ArchiveContext{archivePath, workFolder, ownerWindow}; }

  // Members in the order the viewer knows them.
  std::string archivePath;
  std::string workFolder;
  HWND ownerWindow = nullptr;
  int anyLoaded = 0;
  CLhaHandler lha;
  CZipHandler zip;
  CTarHandler tar;
  CCabHandler cab;
  int format = kFormatLha;
};
