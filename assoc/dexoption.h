// DexOption.dll: lets the user choose which archive types Dexlor opens from the
// shell, then writes or removes those file associations.
//
// Callers bind the export at run time by name:
//   HMODULE dll = LoadLibraryA("DexOption.dll");
//   auto* select = reinterpret_cast<SelectExtentionProc>(GetProcAddress(dll, "SelectExtention"));
//   if (select) select();
//   FreeLibrary(dll);
// and do nothing else when either step fails. The export takes no arguments,
// returns nothing, uses the WINAPI (stdcall) convention and is exported
// undecorated; it returns once the dialog is closed and the registry is written.
#pragma once
#include <windows.h>

extern "C" {
typedef void(WINAPI* SelectExtentionProc)(void);
#ifdef DEXOPTION_BUILD
__declspec(dllexport) void WINAPI SelectExtention(void);
#endif
}

#define DEXOPTION_DLL_NAME "DexOption.dll"
#define DEXOPTION_EXPORT_NAME "SelectExtention"
