#include "class_factory.h"

#include <new>

#include "module.h"
#include "shell_ext.h"

using pkshlext::trace;

CShellExtClassFactory::CShellExtClassFactory() {
  trace("CShellExtClassFactory::CShellExtClassFactory()\r\n");
  InterlockedIncrement(&pkshlext::g_objectCount);
}

CShellExtClassFactory::~CShellExtClassFactory() { InterlockedDecrement(&pkshlext::g_objectCount); }

STDMETHODIMP CShellExtClassFactory::QueryInterface(REFIID riid, void** out) {
  trace("CShellExtClassFactory::QueryInterface()\r\n");
  if (!out) return E_POINTER;
  *out = nullptr;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
    *out = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CShellExtClassFactory::AddRef() { return InterlockedIncrement(&m_refCount); }

STDMETHODIMP_(ULONG) CShellExtClassFactory::Release() {
  LONG left = InterlockedDecrement(&m_refCount);
  if (left == 0) delete this;
  return left;
}

STDMETHODIMP CShellExtClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** out) {
  trace("CShellExtClassFactory::CreateInstance()\r\n");
  if (!out) return E_POINTER;
  *out = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  CShellExt* ext = new (std::nothrow) CShellExt();
  if (!ext) return E_OUTOFMEMORY;
  HRESULT hr = ext->QueryInterface(riid, out);
  // An object nobody holds a face of is freed at once instead of keeping the
  // module loaded.
  if (FAILED(hr)) delete ext;
  return hr;
}

STDMETHODIMP CShellExtClassFactory::LockServer(BOOL) { return S_OK; }
