// Loads DexOption.dll the way its callers do and runs its dialog (for screenshots).
#include "../dexoption.h"
#include "proc_address.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  HMODULE dll = LoadLibraryA(DEXOPTION_DLL_NAME);
  if (!dll) return 1;
  auto select = procAddress<SelectExtentionProc>(dll, DEXOPTION_EXPORT_NAME);
  if (select) select();
  FreeLibrary(dll);
  return select ? 0 : 1;
}
