#include "file_drop_target.h"

#include "creator_dlg.h"

DROPEFFECT CFileDropTarget::OnDragEnter(IDataObject* data, DWORD, POINT) {
  m_accept = OffersFileList(data);
  return m_accept ? DROPEFFECT_COPY : DROPEFFECT_NONE;
}

DROPEFFECT CFileDropTarget::OnDragOver(IDataObject*, DWORD, POINT) {
  return m_accept ? DROPEFFECT_COPY : DROPEFFECT_NONE;
}

DROPEFFECT CFileDropTarget::OnDropEx(IDataObject* data, DROPEFFECT, DROPEFFECT, POINT) {
  m_owner.AddDroppedFiles(data);
  m_accept = false;
  return DROPEFFECT_COPY;
}

BOOL CFileDropTarget::OnDrop(IDataObject*, DROPEFFECT, POINT) {
  m_accept = false;  // OnDropEx took the files
  return TRUE;
}

void CFileDropTarget::OnDragLeave() { m_accept = false; }
