// Values the viewer and the archive manager exchange.
#pragma once
#include <windows.h>

#include <string>

// The current archive format; any other value means none is current.
enum ArchiveFormat : int { kFormatLha = 0, kFormatZip = 1, kFormatTar = 2, kFormatCab = 3 };

// The three check boxes of the destination dialog, each 1 (on) or 0 (off).
struct ExtractOptions {
  int useFolders = 0;    // keep the folder names stored in the archive
  int overwriteAll = 0;
  int ignoreDate = 0;    // ignore dates when overwriting
};

// Kind of self-extracting archive.
enum SfxKind : int { kSfxWin95 = 1, kSfxWin31 = 2, kSfxDos = 3 };

// What every handler operation works on: kept by the manager, passed down.
struct ArchiveContext {
  std::string archivePath;
  std::string workFolder;  // ends in a backslash
  HWND ownerWindow = nullptr;
};
