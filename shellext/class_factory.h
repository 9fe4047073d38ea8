// The class object the shell obtains through DllGetClassObject.
#pragma once
#include <windows.h>
#include <unknwn.h>

class CShellExtClassFactory final : public IClassFactory {
 public:
  CShellExtClassFactory();
  CShellExtClassFactory(const CShellExtClassFactory&) = delete;
  CShellExtClassFactory& operator=(const CShellExtClassFactory&) = delete;

  STDMETHODIMP QueryInterface(REFIID riid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** out) override;
  STDMETHODIMP LockServer(BOOL lock) override;

 private:
  ~CShellExtClassFactory();
  LONG m_refCount = 0;
};
