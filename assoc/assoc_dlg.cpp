#include "assoc_dlg.h"

#include "assoc_ids.h"

CAssocDlg::CAssocDlg() : CDialog(IDD_ASSOC) {}

void CAssocDlg::DoDataExchange(CDataExchange& dx) {
  DDX_Check(dx, IDC_ASSOC_LHA, m_lha);
  DDX_Check(dx, IDC_ASSOC_CAB, m_cab);
  DDX_Check(dx, IDC_ASSOC_TAR, m_tar);
  DDX_Check(dx, IDC_ASSOC_ZIP, m_zip);
}
