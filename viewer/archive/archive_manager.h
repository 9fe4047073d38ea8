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
  bool CanEdit() const;
  std::string DeleteEntries(const std::string& names);
  bool RenameEntry(const std::string& oldName, const std::string& newName);
  void UnloadLibraries();

  // The handler of `format`, or null for any other value.
  CArchiveHandler* Handler(int format);
  const CArchiveHandler* Handler(int format) const;
  // The handler of the current format, or null when none is current.
  CArchiveHandler* Current() { return Handler(m_format); }
  const CArchiveHandler* Current() const { return Handler(m_format); }
  ArchiveContext Context() const { return ArchiveContext{m_archivePath, m_workFolder, m_ownerWindow}; }

  // True once LoadLibraries found at least one library.
  bool AnyLoaded() const { return m_anyLoaded; }
  // The path last given to DetectFormat, whether or not a library took it.
  const std::string& ArchivePath() const { return m_archivePath; }
  // The format DetectFormat chose last; LHA until then.
  int Format() const { return m_format; }
  // Which handler requests go to; a value other than the four formats means
  // none, and every request answers neutrally.
  void SetFormat(int format) { m_format = format; }
  const std::string& WorkFolder() const { return m_workFolder; }
  void SetWorkFolder(const std::string& folder) { m_workFolder = folder; }
  void SetOwnerWindow(HWND window) { m_ownerWindow = window; }

 private:
  std::string m_archivePath;
  std::string m_workFolder;  // ends in a backslash
  HWND m_ownerWindow = nullptr;
  bool m_anyLoaded = false;
  CLhaHandler m_lha;
  CZipHandler m_zip;
  CTarHandler m_tar;
  CCabHandler m_cab;
  int m_format = kFormatLha;
};
