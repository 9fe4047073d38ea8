// The drop-source base: a thin IDropSource for a drag started with the left
// button. It answers the drag loop by the usual rules and lets a derived
// source decide what a drop costs (OnDrop). Like the drop target it lives inside
// its owner: reference counting tracks the drag loop's holds, never deletes.
#pragma once
#include <windows.h>
#include <ole2.h>

enum class DragAnswer { Continue, Drop, Cancel };

// The rules: Escape or the right button cancels; the left button still down
// goes on; the left button released drops after a real drag, and cancels when
// the pointer never left the area the drag started in.
DragAnswer DecideDrag(BOOL escapePressed, DWORD keyState, bool dragStarted);

class COleDropSource : public IDropSource {
 public:
  COleDropSource() = default;
  virtual ~COleDropSource() = default;
  COleDropSource(const COleDropSource&) = delete;
  COleDropSource& operator=(const COleDropSource&) = delete;

  // Called just before the drag loop: the start area is the system's drag
  // rectangle around the pointer as it is now.
  void BeginDrag();
  bool DragStarted() const { return m_started; }
  ULONG References() const { return m_refs; }

  // On a drop by the rules: true lets it happen, false cancels it.
  virtual bool OnDrop() { return true; }

  // IUnknown and IDropSource.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escapePressed, DWORD keyState) override;
  HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD effect) override;

 private:
  void NotePointer();
  ULONG m_refs = 0;
  bool m_started = false;
  RECT m_startArea{};
};
