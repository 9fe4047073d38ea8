#include "ole_drop_source.h"

DragAnswer DecideDrag(BOOL escapePressed, DWORD keyState, bool dragStarted) {
  if (escapePressed || (keyState & MK_RBUTTON)) return DragAnswer::Cancel;
  if (keyState & MK_LBUTTON) return DragAnswer::Continue;
  return dragStarted ? DragAnswer::Drop : DragAnswer::Cancel;
}

void COleDropSource::BeginDrag() {
  m_started = false;
  POINT p{};
  GetCursorPos(&p);
  const int cx = GetSystemMetrics(SM_CXDRAG), cy = GetSystemMetrics(SM_CYDRAG);
  m_startArea = {p.x - cx, p.y - cy, p.x + cx + 1, p.y + cy + 1};
}

void COleDropSource::NotePointer() {
  if (m_started) return;
  POINT p{};
  if (GetCursorPos(&p) && !PtInRect(&m_startArea, p)) m_started = true;
}

HRESULT COleDropSource::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDropSource)) {
    *out = static_cast<IDropSource*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG COleDropSource::AddRef() { return ++m_refs; }
ULONG COleDropSource::Release() { return m_refs ? --m_refs : 0; }

HRESULT COleDropSource::QueryContinueDrag(BOOL escapePressed, DWORD keyState) {
  NotePointer();
  switch (DecideDrag(escapePressed, keyState, m_started)) {
    case DragAnswer::Continue: return S_OK;
    case DragAnswer::Cancel: m_started = false; return DRAGDROP_S_CANCEL;
    case DragAnswer::Drop: break;
  }
  m_started = false;
  return OnDrop() ? DRAGDROP_S_DROP : DRAGDROP_S_CANCEL;
}

HRESULT COleDropSource::GiveFeedback(DWORD) {
  NotePointer();
  return DRAGDROP_S_USEDEFAULTCURSORS;
}
