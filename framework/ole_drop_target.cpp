#include "ole_drop_target.h"

COleDropTarget::~COleDropTarget() {
  Revoke();
  ForgetData();
}

bool COleDropTarget::Register(HWND window) {
  if (m_window) Revoke();
  if (FAILED(RegisterDragDrop(window, this))) return false;
  m_window = window;
  return true;
}

void COleDropTarget::Revoke() {
  if (!m_window) return;
  RevokeDragDrop(m_window);
  m_window = nullptr;
}

DROPEFFECT COleDropTarget::OnDragEnter(IDataObject*, DWORD, POINT) { return DROPEFFECT_NONE; }
DROPEFFECT COleDropTarget::OnDragOver(IDataObject*, DWORD, POINT) { return DROPEFFECT_NONE; }
BOOL COleDropTarget::OnDrop(IDataObject*, DROPEFFECT, POINT) { return FALSE; }
DROPEFFECT COleDropTarget::OnDropEx(IDataObject*, DROPEFFECT, DROPEFFECT, POINT) { return kDropNotHandled; }
void COleDropTarget::OnDragLeave() {}
DROPEFFECT COleDropTarget::OnDragScroll(DWORD, POINT) { return DROPEFFECT_NONE; }

HRESULT COleDropTarget::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDropTarget)) {
    *out = static_cast<IDropTarget*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG COleDropTarget::AddRef() { return ++m_refs; }
ULONG COleDropTarget::Release() { return m_refs ? --m_refs : 0; }

POINT COleDropTarget::ClientPoint(POINTL screen) const {
  POINT p{screen.x, screen.y};
  if (m_window) ScreenToClient(m_window, &p);
  return p;
}

void COleDropTarget::ForgetData() {
  if (m_data) m_data->Release();
  m_data = nullptr;
}

HRESULT COleDropTarget::DragEnter(IDataObject* data, DWORD keys, POINTL pt, DWORD* effect) {
  if (!effect) return E_INVALIDARG;
  ForgetData();
  m_data = data;
  if (m_data) m_data->AddRef();
  // The answer may offer only what the source allows.
  *effect &= OnDragEnter(data, keys, ClientPoint(pt));
  return S_OK;
}

HRESULT COleDropTarget::DragOver(DWORD keys, POINTL pt, DWORD* effect) {
  if (!effect) return E_INVALIDARG;
  POINT p = ClientPoint(pt);
  DROPEFFECT scroll = OnDragScroll(keys, p);
  *effect &= scroll & DROPEFFECT_SCROLL ? scroll : OnDragOver(m_data, keys, p);
  return S_OK;
}

HRESULT COleDropTarget::DragLeave() {
  OnDragLeave();
  ForgetData();
  return S_OK;
}

HRESULT COleDropTarget::Drop(IDataObject* data, DWORD keys, POINTL pt, DWORD* effect) {
  if (!effect) return E_INVALIDARG;
  POINT p = ClientPoint(pt);
  const DROPEFFECT allowed = *effect;
  const DROPEFFECT wanted = OnDragOver(data, keys, p) & allowed;
  DROPEFFECT result = OnDropEx(data, wanted, allowed, p);
  if (result == kDropNotHandled) result = wanted != DROPEFFECT_NONE && OnDrop(data, wanted, p) ? wanted : DROPEFFECT_NONE;
  *effect = result & allowed;
  ForgetData();
  return S_OK;
}

bool OffersFileList(IDataObject* data) {
  if (!data) return false;
  FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  return data->QueryGetData(&format) == S_OK;
}
