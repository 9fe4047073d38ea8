// The drop-target base: a thin IDropTarget whose operations call virtual
// functions a window's drop target overrides. The object lives inside its owner
// (a member of the window's class): reference counting only tracks the holders
// OLE keeps while the target is registered, it never deletes the object.
#pragma once
#include <windows.h>
#include <ole2.h>

// DROPEFFECT_* values; the "not handled" answer of OnDropEx.
using DROPEFFECT = DWORD;
constexpr DROPEFFECT kDropNotHandled = static_cast<DROPEFFECT>(-1);

class COleDropTarget : public IDropTarget {
 public:
  COleDropTarget() = default;
  virtual ~COleDropTarget();
  COleDropTarget(const COleDropTarget&) = delete;
  COleDropTarget& operator=(const COleDropTarget&) = delete;

  // Registers the target for `window` (OLE must be initialised); false on failure.
  bool Register(HWND window);
  // Undoes Register; also done by the destructor. Call it before the window goes.
  void Revoke();
  HWND Window() const { return m_window; }
  // References held by others (OLE while registered, a drag in progress).
  ULONG References() const { return m_refs; }

  // What a derived target overrides; the defaults accept nothing.
  virtual DROPEFFECT OnDragEnter(IDataObject* data, DWORD keyState, POINT point);
  virtual DROPEFFECT OnDragOver(IDataObject* data, DWORD keyState, POINT point);
  virtual BOOL OnDrop(IDataObject* data, DROPEFFECT effect, POINT point);
  // Called first on a drop; kDropNotHandled passes the drop on to OnDrop.
  virtual DROPEFFECT OnDropEx(IDataObject* data, DROPEFFECT dropDefault, DROPEFFECT dropList, POINT point);
  virtual void OnDragLeave();
  virtual DROPEFFECT OnDragScroll(DWORD keyState, POINT point);

  // IUnknown and IDropTarget.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keys, POINTL pt, DWORD* effect) override;
  HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL pt, DWORD* effect) override;
  HRESULT STDMETHODCALLTYPE DragLeave() override;
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL pt, DWORD* effect) override;

 private:
  POINT ClientPoint(POINTL screen) const;
  void ForgetData();

  HWND m_window = nullptr;
  ULONG m_refs = 0;
  IDataObject* m_data = nullptr;  // the data of the drag in progress, held from enter to leave or drop
};

// True when `data` offers a file list (CF_HDROP in global memory).
bool OffersFileList(IDataObject* data);
