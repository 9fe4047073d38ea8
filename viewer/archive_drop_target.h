// The main window's drop target: a file dragged from the shell onto Dexlor
// opens that archive.
#pragma once
#include "ole_drop_target.h"

class CArchiveDropTarget : public COleDropTarget {
 public:
  DROPEFFECT OnDragEnter(IDataObject* data, DWORD keyState, POINT point) override;
  DROPEFFECT OnDragOver(IDataObject* data, DWORD keyState, POINT point) override;
  BOOL OnDrop(IDataObject* data, DROPEFFECT effect, POINT point) override;
  void OnDragLeave() override;
  int Accepting() const { return m_accept; }

 private:
  int m_accept = 0;  // 1 between a drag entering with a file list and its leave or drop
};

// True when the data offers a file list whose block can be read.
bool FileListReadable(IDataObject* data);
