// The calling scheme shared by the four archiver libraries, as the suite binds it
// and as our own libraries export it: function types, the enumeration record and
// the constants the programs rely on.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "proc_address.h"

namespace archiver {

// Opaque handle of an archive opened for enumeration; null when none is open.
using ArchiveHandle = void*;

#pragma pack(push, 1)
// One entry as a library reports it during enumeration. The suite reads size,
// ratio, date, time and name; the other fields are the libraries' own and are
// documented with them (libraries/*/README.md).
struct ArcItemInfo {
  uint32_t originalSize;     // 0: uncompressed size in bytes (low 32 bits)
  uint32_t compressedSize;   // 4
  uint32_t crc;              // 8: as the format stores it (CRC-16 zero-extended for LZH), 0 where none
  uint32_t attributes;       // 12: DOS attribute bits
  uint16_t osType;           // 16: LZH OS id byte, 0 elsewhere
  uint16_t headerLevel;      // 18: LZH header level, 0xFFFF elsewhere
  uint16_t ratio;            // 20: compressed / uncompressed in tenths of a percent
  uint16_t date;             // 22: DOS date
  uint16_t time;             // 24: DOS time
  char name[513];            // 26: Shift-JIS, NUL-terminated; a folder ends in "/"
  char method[8];            // 539: e.g. "-lh5-", "MSZIP", "deflate", NUL-terminated
  char attributeText[8];     // 547: e.g. "--RAH-", NUL-terminated
  uint8_t reserved[3];       // 555
};
#pragma pack(pop)

static_assert(sizeof(ArcItemInfo) == 558);
static_assert(offsetof(ArcItemInfo, originalSize) == 0);
static_assert(offsetof(ArcItemInfo, ratio) == 20);
static_assert(offsetof(ArcItemInfo, date) == 22);
static_assert(offsetof(ArcItemInfo, time) == 24);
static_assert(offsetof(ArcItemInfo, name) == 26);
static_assert(offsetof(ArcItemInfo, method) == 539);

// Function types, shown for the prefix Unlha: Unlha, UnlhaGetVersion, ...
using CommandFn = int(WINAPI*)(HWND window, LPCSTR commandLine, LPSTR output, DWORD outputSize);
using GetVersionFn = WORD(WINAPI*)();
using CheckArchiveFn = BOOL(WINAPI*)(LPCSTR path, int mode);
using GetFileCountFn = int(WINAPI*)(LPCSTR path);
using OpenArchiveFn = ArchiveHandle(WINAPI*)(HWND window, LPCSTR path, DWORD mode);
using FindFirstFn = int(WINAPI*)(ArchiveHandle handle, LPCSTR wildcard, ArcItemInfo* info);
using FindNextFn = int(WINAPI*)(ArchiveHandle handle, ArcItemInfo* info);
using CloseArchiveFn = int(WINAPI*)(ArchiveHandle handle);
using GetArchiveTypeFn = int(WINAPI*)(LPCSTR path);  // tar library only: kinds 1 to 7

// The eight functions every library exports, bound by name from a loaded module.
struct Functions {
  CommandFn command = nullptr;
  GetVersionFn getVersion = nullptr;
  CheckArchiveFn checkArchive = nullptr;
  GetFileCountFn getFileCount = nullptr;
  OpenArchiveFn openArchive = nullptr;
  FindFirstFn findFirst = nullptr;
  FindNextFn findNext = nullptr;
  CloseArchiveFn closeArchive = nullptr;

  // Binds prefix, prefix + "GetVersion", ...; false when any is missing (that
  // one stays null, the others are bound all the same).
  bool bind(HMODULE module, const char* prefix) {
    const std::string p(prefix);
    command = procAddress<CommandFn>(module, p.c_str());
    getVersion = procAddress<GetVersionFn>(module, (p + "GetVersion").c_str());
    checkArchive = procAddress<CheckArchiveFn>(module, (p + "CheckArchive").c_str());
    getFileCount = procAddress<GetFileCountFn>(module, (p + "GetFileCount").c_str());
    openArchive = procAddress<OpenArchiveFn>(module, (p + "OpenArchive").c_str());
    findFirst = procAddress<FindFirstFn>(module, (p + "FindFirst").c_str());
    findNext = procAddress<FindNextFn>(module, (p + "FindNext").c_str());
    closeArchive = procAddress<CloseArchiveFn>(module, (p + "CloseArchive").c_str());
    return command && getVersion && checkArchive && getFileCount && openArchive && findFirst && findNext &&
           closeArchive;
  }
};

// Mode the viewer opens archives with for listing.
constexpr DWORD kOpenModeList = 4194306;  // 0x400002
static_assert(kOpenModeList == 0x400002);

// Minimum version values (version times 100).
constexpr unsigned kMinVersionLha = 42;
constexpr unsigned kMinVersionCab = 65;
constexpr unsigned kMinVersionTar = 51;
constexpr unsigned kMinVersionZip = 540;

// Output buffer sizes per operation.
constexpr DWORD kOutputSize = 1048576;          // extract, delete, create, console programs
constexpr DWORD kOutputSizeSmall = 65535;       // self-extracting archives, rename, drop-time extraction
constexpr DWORD kOutputSizeWork = 1048575;      // extraction into the work folder (0xFFFFF)

// Kinds reported by the tar library's GetArchiveType.
enum TarKind { kTar = 1, kTarGz = 2, kTarZ = 3, kGz = 4, kZ = 5, kTarBz2 = 6, kBz2 = 7 };

}  // namespace archiver
