// The context-menu handler: one object with an IContextMenu face and an
// IShellExtInit face, created by the shell for each menu it builds.
#pragma once
#include <windows.h>
#include <shlobj.h>

class CShellExt final : public IContextMenu, public IShellExtInit {
 public:
  CShellExt();
  CShellExt(const CShellExt&) = delete;
  CShellExt& operator=(const CShellExt&) = delete;

  // IUnknown, shared by both faces.
  STDMETHODIMP QueryInterface(REFIID riid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // IContextMenu
  STDMETHODIMP QueryContextMenu(HMENU menu, UINT index, UINT firstCommand, UINT lastCommand, UINT flags) override;
  STDMETHODIMP InvokeCommand(CMINVOKECOMMANDINFO* info) override;
  STDMETHODIMP GetCommandString(UINT_PTR command, UINT flags, UINT* reserved, LPSTR buffer, UINT size) override;

  // IShellExtInit
  STDMETHODIMP Initialize(PCIDLIST_ABSOLUTE folder, IDataObject* dataObject, HKEY progId) override;

 private:
  friend class CShellExtClassFactory;  // frees an object whose first query failed
  ~CShellExt();

  HRESULT m_oleInitResult;
  LONG m_refCount = 0;
  IDataObject* m_dataObject = nullptr;
};
