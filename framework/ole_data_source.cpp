#include "ole_data_source.h"

#include <shlobj.h>

#include <cstring>

namespace {

LONG g_live = 0;

// A copy of `block` for a receiver, which frees it.
HGLOBAL CopyBlock(HGLOBAL block) {
  const SIZE_T size = GlobalSize(block);
  HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, size);
  if (!copy) return nullptr;
  void* to = GlobalLock(copy);
  const void* from = GlobalLock(block);
  if (to && from) std::memcpy(to, from, size);
  if (from) GlobalUnlock(block);
  if (to) GlobalUnlock(copy);
  if (!to || !from) {
    GlobalFree(copy);
    return nullptr;
  }
  return copy;
}

}  // namespace

COleDataSource* COleDataSource::Create() { return new COleDataSource(); }
COleDataSource::COleDataSource() { InterlockedIncrement(&g_live); }

COleDataSource::~COleDataSource() {
  for (const Item& item : m_items) GlobalFree(item.block);
  InterlockedDecrement(&g_live);
}

LONG COleDataSource::Live() { return g_live; }

void COleDataSource::CacheGlobalData(CLIPFORMAT format, HGLOBAL block) {
  for (Item& item : m_items)
    if (item.format == format) {
      GlobalFree(item.block);
      item.block = block;
      return;
    }
  m_items.push_back({format, block});
}

bool COleDataSource::SetClipboard() { return SUCCEEDED(OleSetClipboard(this)); }
bool COleDataSource::IsOnClipboard() { return OleIsCurrentClipboard(this) == S_OK; }

DWORD COleDataSource::DoDragDrop(DWORD allowedEffects, IDropSource* source) {
  DWORD effect = DROPEFFECT_NONE;
  const HRESULT hr = ::DoDragDrop(this, source, allowedEffects, &effect);
  return hr == DRAGDROP_S_DROP ? effect : DROPEFFECT_NONE;
}

const COleDataSource::Item* COleDataSource::Find(const FORMATETC* format) const {
  if (!format || format->dwAspect != DVASPECT_CONTENT || !(format->tymed & TYMED_HGLOBAL)) return nullptr;
  for (const Item& item : m_items)
    if (item.format == format->cfFormat) return &item;
  return nullptr;
}

HRESULT COleDataSource::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDataObject)) {
    *out = static_cast<IDataObject*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG COleDataSource::AddRef() { return InterlockedIncrement(reinterpret_cast<LONG*>(&m_refs)); }

ULONG COleDataSource::Release() {
  const ULONG left = InterlockedDecrement(reinterpret_cast<LONG*>(&m_refs));
  if (left == 0) delete this;
  return left;
}

HRESULT COleDataSource::GetData(FORMATETC* format, STGMEDIUM* medium) {
  if (!medium) return E_POINTER;
  const Item* item = Find(format);
  if (!item) return DV_E_FORMATETC;
  HGLOBAL copy = CopyBlock(item->block);
  if (!copy) return E_OUTOFMEMORY;
  medium->tymed = TYMED_HGLOBAL;
  medium->hGlobal = copy;
  medium->pUnkForRelease = nullptr;
  return S_OK;
}

HRESULT COleDataSource::GetDataHere(FORMATETC* format, STGMEDIUM* medium) {
  if (!medium || medium->tymed != TYMED_HGLOBAL || !medium->hGlobal) return DV_E_TYMED;
  const Item* item = Find(format);
  if (!item) return DV_E_FORMATETC;
  const SIZE_T size = GlobalSize(item->block);
  if (GlobalSize(medium->hGlobal) < size) return STG_E_MEDIUMFULL;
  void* to = GlobalLock(medium->hGlobal);
  const void* from = GlobalLock(item->block);
  if (to && from) std::memcpy(to, from, size);
  if (from) GlobalUnlock(item->block);
  if (to) GlobalUnlock(medium->hGlobal);
  return to && from ? S_OK : E_OUTOFMEMORY;
}

HRESULT COleDataSource::QueryGetData(FORMATETC* format) { return Find(format) ? S_OK : DV_E_FORMATETC; }

HRESULT COleDataSource::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) {
  if (out) out->ptd = nullptr;
  return DATA_S_SAMEFORMATETC;
}

// Drop targets tell the source how a drop went ("Performed DropEffect" and the
// like) by setting blocks of their own; they are kept like the source's own.
HRESULT COleDataSource::SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release) {
  if (!format || !medium || medium->tymed != TYMED_HGLOBAL || format->dwAspect != DVASPECT_CONTENT)
    return DV_E_FORMATETC;
  // A block released through another object is not ours to free: keep a copy.
  const bool take = release && !medium->pUnkForRelease;
  HGLOBAL block = take ? medium->hGlobal : CopyBlock(medium->hGlobal);
  if (release && !take) ReleaseStgMedium(medium);
  if (!block) return E_OUTOFMEMORY;
  CacheGlobalData(format->cfFormat, block);
  return S_OK;
}

HRESULT COleDataSource::EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (direction != DATADIR_GET) return E_NOTIMPL;
  std::vector<FORMATETC> formats;
  for (const Item& item : m_items) formats.push_back({item.format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL});
  return SHCreateStdEnumFmtEtc(static_cast<UINT>(formats.size()), formats.data(), out);
}

HRESULT COleDataSource::DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) { return OLE_E_ADVISENOTSUPPORTED; }
HRESULT COleDataSource::DUnadvise(DWORD) { return OLE_E_ADVISENOTSUPPORTED; }
HRESULT COleDataSource::EnumDAdvise(IEnumSTATDATA**) { return OLE_E_ADVISENOTSUPPORTED; }
