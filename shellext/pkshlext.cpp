// The module entry point and the two exports of the in-process server.
#include <windows.h>
#include <unknwn.h>

#include <new>

#include "class_factory.h"
#include "module.h"
#include "shell_ext_ids.h"

namespace pkshlext {
LONG g_objectCount = 0;
HINSTANCE g_moduleHandle = nullptr;
}  // namespace pkshlext

using pkshlext::trace;

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    trace("In DLLMain, DLL_PROCESS_ATTACH\r\n");
    pkshlext::g_moduleHandle = instance;
  } else if (reason == DLL_PROCESS_DETACH) {
    trace("In DLLMain, DLL_PROCESS_DETACH\r\n");
  }
  return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
  trace("In DLLCanUnloadNow\r\n");
  return pkshlext::g_objectCount == 0 ? S_OK : S_FALSE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, void** out) {
  trace("In DllGetClassObject\r\n");
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!IsEqualCLSID(clsid, pkshlext::kClassId)) return CLASS_E_CLASSNOTAVAILABLE;
  auto* factory = new (std::nothrow) CShellExtClassFactory();
  if (!factory) return E_OUTOFMEMORY;
  // As with the extension object: a factory whose query fails is freed at once.
  factory->AddRef();
  HRESULT hr = factory->QueryInterface(riid, out);
  factory->Release();
  return hr;
}
