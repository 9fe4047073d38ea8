// Start-up and status-line rules of the viewer, apart from the window so that
// they can be checked directly.
#pragma once
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

// A later copy's window: 40 pixels right and down, wrapping to 10 when it would
// come within 200 pixels of the desktop's right or bottom edge.
void CascadeWindowRect(RECT& leftTopWidthHeight, const RECT& desktop);

// The command-line tail is one path; an opening quote is removed, and then a
// closing one (a closing quote alone stays).
std::string ArchivePathFromCommandLine(const std::string& tail);

// The archive file's size, opened for reading with others free to read and write it.
std::optional<uint64_t> ArchiveFileSize(const std::string& path);

// The status line after a listing: count, overall ratio and both byte counts.
std::string ArchiveStatusText(unsigned count, uint64_t uncompressedTotal, std::optional<uint64_t> fileSize);
