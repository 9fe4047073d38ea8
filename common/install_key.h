// Where the installer records the install folder (HKEY_LOCAL_MACHINE), which the
// association library and the shell extension read back.
#pragma once

namespace suite {

inline constexpr char kInstallKey[] = "Software\\Varn Software\\Pakmo";
inline constexpr char kInstallValue[] = "Install Folder";

}  // namespace suite
