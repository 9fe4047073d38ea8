// DllMain and the one export. The library keeps no state between calls.
#define DEXOPTION_BUILD
#include "dexoption.h"

#include "app.h"
#include "assoc_dlg.h"
#include "associations.h"

namespace {
HMODULE g_self = nullptr;
HMODULE ThisLibrary() { return g_self; }
}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  // The dialog template lives in this DLL, not in the calling program.
  if (reason == DLL_PROCESS_ATTACH) {
    g_self = instance;
    SetFrameworkResourceHandle(instance);
  }
  return TRUE;
}

extern "C" void WINAPI SelectExtention(void) {
  CAssocDlg dlg;
  assoc::Flags flags = assoc::currentAssociations();
  dlg.m_lha = flags[assoc::kLha];
  dlg.m_cab = flags[assoc::kCab];
  dlg.m_tar = flags[assoc::kTar];
  dlg.m_zip = flags[assoc::kZip];
  // Owned by the caller's active window, which stays disabled while the dialog runs.
  if (dlg.DoModal(GetActiveWindow()) != IDOK) return;
  // Nothing is reported: a key that cannot be created just ends the run.
  assoc::applyAssociations({dlg.m_lha, dlg.m_cab, dlg.m_tar, dlg.m_zip}, assoc::dexlorFolder(ThisLibrary()));
}
