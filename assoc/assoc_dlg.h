// CAssocDlg: the check boxes of the four archive types.
#pragma once
#include "dialog.h"

class CAssocDlg : public CDialog {
 public:
  CAssocDlg();

  // 0 unchecked, 1 checked; in the order LHA, CAB, TAR, ZIP.
  int m_lha = 0;
  int m_cab = 0;
  int m_tar = 0;
  int m_zip = 0;

 protected:
  void DoDataExchange(CDataExchange& dx) override;
};
