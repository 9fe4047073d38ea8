// Pakmo's side of the archiver libraries: which are loaded and usable, the
// command line per format, the save dialog's texts, and the call itself.
#pragma once
#include <windows.h>
#include <commdlg.h>

#include <string>

#include "archiver.h"

// The suite's format numbers; Pakmo never uses 1 (ZIP).
enum ArchiveFormat : int { kFormatNone = -1, kFormatLha = 0, kFormatTar = 2, kFormatCab = 3 };

struct ArchiverLibrary {
  WORD version = 0;
  HMODULE module = nullptr;
  archiver::GetVersionFn getVersion = nullptr;
  archiver::CommandFn command = nullptr;  // bound only when the version is new enough
  bool Usable() const { return command != nullptr; }
};

// The option values read from the window when compressing.
struct CreateOptions {
  int methodIndex = -1;
  int level = 0;
  int withFullPath = 0;
  int withSubfolders = 0;
  int shortNames = 0;
};

class CArchiveCreator {
 public:
  CArchiveCreator() = default;
  ~CArchiveCreator() { UnloadLibraries(); }
  CArchiveCreator(const CArchiveCreator&) = delete;
  CArchiveCreator& operator=(const CArchiveCreator&) = delete;

  // LHA, then CAB, then TAR; a library too old is named in a message box owned
  // by `messageOwner`. 1 when at least one is usable.
  int LoadLibraries(HWND messageOwner);
  void UnloadLibraries();  // CAB, TAR, LHA, each only if loaded
  const ArchiverLibrary& Library(int format) const;
  bool Usable(int format) const { return format != kFormatNone && Library(format).Usable(); }

  // Filter, title and default extension of the archive-name dialog for the
  // selected format and method (the texts live as long as the program).
  void PrepareSaveDialog(OPENFILENAMEA& dialog, int methodIndex) const;

  // Builds the command for the selected format (the builder makes the base
  // folder current), runs it, restores `currentFolder`, returns the report.
  std::string CreateArchive(const std::string& archivePath, const std::string& names, const std::string& currentFolder,
                            std::string baseFolder, const CreateOptions& options);
  // The selected library's command entry with the owner window; -1, buffer
  // untouched, when that library is not usable.
  int RunCommand(const std::string& commandLine, char* buffer, DWORD size) const;

  // The command lines; each may make the base folder (a bare drive as its root)
  // current. With no common folder nothing is made current.
  static std::string BuildLhaCommand(const std::string& archivePath, const std::string& names,
                                     const std::string& baseFolder, const CreateOptions& options);
  static std::string BuildCabCommand(const std::string& archivePath, const std::string& names,
                                     const std::string& baseFolder, const CreateOptions& options);
  static std::string BuildTarCommand(const std::string& archivePath, const std::string& names,
                                     const std::string& baseFolder, const CreateOptions& options);

  HWND m_owner = nullptr;
  int m_format = kFormatNone;

 private:
  ArchiverLibrary m_lha, m_tar, m_cab;
};
