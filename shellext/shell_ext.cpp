#include "shell_ext.h"

#include <shellapi.h>

#include "module.h"
#include "pakmo_path.h"
#include "shell_ext_ids.h"

using pkshlext::trace;

CShellExt::CShellExt() {
  trace("CShellExt::CShellExt()\r\n");
  m_oleInitResult = OleInitialize(nullptr);
  InterlockedIncrement(&pkshlext::g_objectCount);
}

CShellExt::~CShellExt() {
  if (m_dataObject) m_dataObject->Release();
  // Only a call that initialised OLE itself is balanced; the shell's own stays.
  if (m_oleInitResult == S_OK) OleUninitialize();
  InterlockedDecrement(&pkshlext::g_objectCount);
}

STDMETHODIMP CShellExt::QueryInterface(REFIID riid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (IsEqualIID(riid, IID_IShellExtInit) || IsEqualIID(riid, IID_IUnknown)) {
    trace("CShellExt::QueryInterface()==>IID_IShellExtInit\r\n");
    *out = static_cast<IShellExtInit*>(this);
  } else if (IsEqualIID(riid, IID_IContextMenu)) {
    trace("CShellExt::QueryInterface()==>IID_IContextMenu\r\n");
    *out = static_cast<IContextMenu*>(this);
  } else {
    trace("CShellExt::QueryInterface()==>Unknown Interface!\r\n");
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) CShellExt::AddRef() {
  trace("CShellExt::AddRef()\r\n");
  return InterlockedIncrement(&m_refCount);
}

STDMETHODIMP_(ULONG) CShellExt::Release() {
  trace("CShellExt::Release()\r\n");
  LONG left = InterlockedDecrement(&m_refCount);
  if (left == 0) delete this;
  return left;
}

STDMETHODIMP CShellExt::Initialize(PCIDLIST_ABSOLUTE, IDataObject* dataObject, HKEY) {
  trace("CShellExt::Initialize()\r\n");
  if (m_dataObject) {
    m_dataObject->Release();
    m_dataObject = nullptr;
  }
  if (dataObject) {
    m_dataObject = dataObject;
    m_dataObject->AddRef();
  }
  return S_OK;
}

STDMETHODIMP CShellExt::QueryContextMenu(HMENU menu, UINT index, UINT firstCommand, UINT, UINT flags) {
  if (!m_dataObject) return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0);
  // A normal menu (no low flags) or an Explorer one; not default-only, verbs-only
  // or no-verbs requests.
  if ((flags & 0x000F) != 0 && (flags & CMF_EXPLORE) == 0) return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0);
  char text[64];
  pkshlext::copyBounded(pkshlext::kMenuText, text, sizeof text);
  InsertMenuA(menu, index, MF_STRING | MF_BYPOSITION, firstCommand, text);
  return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 1);
}

STDMETHODIMP CShellExt::InvokeCommand(CMINVOKECOMMANDINFO* info) {
  if (!info) return E_INVALIDARG;
  // Only the numeric offset 0 of our one item: a text verb has a non-zero high word.
  UINT_PTR verb = reinterpret_cast<UINT_PTR>(info->lpVerb);
  if (HIWORD(verb) != 0 || LOWORD(verb) != 0) return E_INVALIDARG;
  if (!m_dataObject) return S_OK;
  // The clipboard takes its own reference; Pakmo reads the file list from it.
  OleSetClipboard(m_dataObject);
  std::string program = pkshlext::pakmoPath();
  ShellExecuteA(info->hwnd, nullptr, program.c_str(), pkshlext::kParameters, "", SW_SHOWNORMAL);
  return S_OK;
}

STDMETHODIMP CShellExt::GetCommandString(UINT_PTR, UINT flags, UINT*, LPSTR buffer, UINT size) {
  // A validate request passes no buffer to write to.
  if ((flags & GCS_VALIDATEA) != 0) return S_OK;
  if (!buffer || size == 0) return S_OK;
  if ((flags & GCS_UNICODE) != 0) {
    // The caller's buffer holds `size` wide characters.
    auto* wide = reinterpret_cast<WCHAR*>(buffer);
    int n = MultiByteToWideChar(CP_ACP, 0, pkshlext::kHelpText, -1, wide, static_cast<int>(size));
    if (n == 0) wide[0] = L'\0';
    return S_OK;
  }
  pkshlext::copyBounded(pkshlext::kHelpText, buffer, size);
  return S_OK;
}
