// Data exchange between dialog controls and members, in the direction UpdateData asks.
#pragma once
#include <windows.h>

#include <string>

class CDataExchange {
 public:
  CDataExchange(HWND dialog, bool save) : m_hDlg(dialog), m_bSaveAndValidate(save) {}
  HWND m_hDlg;
  bool m_bSaveAndValidate;
  bool m_failed = false;  // a control refused its value (the dialog stays open)
};

void DDX_Text(CDataExchange& dx, int id, std::string& value);
void DDX_Text(CDataExchange& dx, int id, int& value);  // decimal; a non-number fails the exchange
void DDX_Check(CDataExchange& dx, int id, int& value);  // BST_CHECKED 1, else 0
void DDX_CBIndex(CDataExchange& dx, int id, int& index);  // combo box selection
void DDX_LBIndex(CDataExchange& dx, int id, int& index);  // list box selection
void DDX_Slider(CDataExchange& dx, int id, int& position);  // trackbar position
// Binds `control` to the dialog's control `id` (either direction; null when absent).
void DDX_Control(CDataExchange& dx, int id, HWND& control);
