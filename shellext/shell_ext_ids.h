// The extension's class identifier, texts and the registry value it reads.
#pragma once
#include <windows.h>

#include "install_key.h"

namespace pkshlext {

// {1BCFCF41-8841-11d0-9633-444553540000}
inline constexpr CLSID kClassId = {0x1bcfcf41, 0x8841, 0x11d0, {0x96, 0x33, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

inline constexpr char kMenuText[] = "圧縮(&L)";
inline constexpr char kHelpText[] = "圧縮ﾌｧｲﾙを作成します";
using suite::kInstallKey;
using suite::kInstallValue;
inline constexpr char kProgramFile[] = "\\Pakmo.exe";
inline constexpr char kParameters[] = "-copy";

}  // namespace pkshlext
