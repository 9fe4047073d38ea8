// The data-source base: a data object offering blocks of global memory, put on
// the clipboard or handed to a drag loop. It lives on the heap and goes with
// its last reference (the clipboard or a drag loop may hold it longer than its
// maker); Create gives the first.
#pragma once
#include <windows.h>
#include <ole2.h>

#include <vector>

class COleDataSource : public IDataObject {
 public:
  static COleDataSource* Create();
  COleDataSource(const COleDataSource&) = delete;
  COleDataSource& operator=(const COleDataSource&) = delete;

  // Offers `block` as `format` (replacing an earlier block of that format); the
  // source owns the block from now on.
  void CacheGlobalData(CLIPFORMAT format, HGLOBAL block);
  // Puts the source on the OLE clipboard; false when the clipboard refused.
  bool SetClipboard();
  // True while the OLE clipboard holds this very source.
  bool IsOnClipboard();
  // Runs the platform's drag loop with this data; the effect the target chose,
  // DROPEFFECT_NONE when the drag was cancelled.
  DWORD DoDragDrop(DWORD allowedEffects, IDropSource* source);

  ULONG References() const { return m_refs; }
  // Sources alive in the process (a test's leak check).
  static LONG Live();

  // IUnknown and IDataObject.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override;
  HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC* format, STGMEDIUM* medium) override;
  HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override;
  HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC* in, FORMATETC* out) override;
  HRESULT STDMETHODCALLTYPE SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release) override;
  HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) override;
  HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override;
  HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override;
  HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override;

 private:
  COleDataSource();
  ~COleDataSource();
  struct Item {
    CLIPFORMAT format;
    HGLOBAL block;
  };
  const Item* Find(const FORMATETC* format) const;

  ULONG m_refs = 1;
  std::vector<Item> m_items;
};
