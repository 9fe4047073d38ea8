// The main window's drop target: takes a dragged file list (CF_HDROP) and hands
// it to the window's intake.
#pragma once
#include "ole_drop_target.h"

class CCreatorDlg;

class CFileDropTarget : public COleDropTarget {
 public:
  explicit CFileDropTarget(CCreatorDlg& owner) : m_owner(owner) {}
  ~CFileDropTarget() override = default;

  DROPEFFECT OnDragEnter(IDataObject* data, DWORD keyState, POINT point) override;
  DROPEFFECT OnDragOver(IDataObject* data, DWORD keyState, POINT point) override;
  BOOL OnDrop(IDataObject* data, DROPEFFECT effect, POINT point) override;
  DROPEFFECT OnDropEx(IDataObject* data, DROPEFFECT dropDefault, DROPEFFECT dropList, POINT point) override;
  void OnDragLeave() override;

  bool Accepting() const { return m_accept; }

 private:
  CCreatorDlg& m_owner;
  bool m_accept = false;  // a drag offering a file list is over the window
};
