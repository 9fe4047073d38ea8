#include "archive_drop_target.h"

#include "viewer_dlg.h"

bool FileListReadable(IDataObject* data) {
  if (!OffersFileList(data)) return false;
  FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM medium{};
  if (FAILED(data->GetData(&format, &medium))) return false;
  bool locked = false;
  if (medium.tymed == TYMED_HGLOBAL && GlobalLock(medium.hGlobal)) {
    locked = true;
    GlobalUnlock(medium.hGlobal);
  }
  ReleaseStgMedium(&medium);
  return locked;
}

DROPEFFECT CArchiveDropTarget::OnDragEnter(IDataObject* data, DWORD, POINT) {
  m_accept = FileListReadable(data) ? 1 : 0;
  return m_accept ? DROPEFFECT_COPY : DROPEFFECT_NONE;
}

DROPEFFECT CArchiveDropTarget::OnDragOver(IDataObject*, DWORD, POINT) {
  return m_accept ? DROPEFFECT_COPY : DROPEFFECT_NONE;
}

BOOL CArchiveDropTarget::OnDrop(IDataObject* data, DROPEFFECT, POINT) {
  if (!g_viewerDlg) return FALSE;
  g_viewerDlg->OpenDroppedArchive(data);
  m_accept = 0;
  return TRUE;
}

void CArchiveDropTarget::OnDragLeave() { m_accept = 0; }
