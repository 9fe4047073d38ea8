#include "dataexchange.h"

#include <commctrl.h>

#include <cstdlib>
#include <vector>

void DDX_Text(CDataExchange& dx, int id, std::string& value) {
  HWND item = GetDlgItem(dx.m_hDlg, id);
  if (!item) return;
  if (dx.m_bSaveAndValidate) {
    int len = GetWindowTextLengthA(item);
    std::vector<char> buf(static_cast<size_t>(len) + 2, '\0');
    GetWindowTextA(item, buf.data(), len + 1);
    value = buf.data();
  } else {
    SetWindowTextA(item, value.c_str());
  }
}

void DDX_Text(CDataExchange& dx, int id, int& value) {
  if (dx.m_bSaveAndValidate) {
    std::string text;
    DDX_Text(dx, id, text);
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || (end && *end != '\0')) {
      dx.m_failed = true;
      if (HWND item = GetDlgItem(dx.m_hDlg, id)) SetFocus(item);
      return;
    }
    value = static_cast<int>(v);
  } else {
    std::string text = std::to_string(value);
    DDX_Text(dx, id, text);
  }
}

void DDX_Check(CDataExchange& dx, int id, int& value) {
  if (dx.m_bSaveAndValidate)
    value = IsDlgButtonChecked(dx.m_hDlg, id) == BST_CHECKED ? 1 : 0;
  else
    CheckDlgButton(dx.m_hDlg, id, value ? BST_CHECKED : BST_UNCHECKED);
}

void DDX_CBIndex(CDataExchange& dx, int id, int& index) {
  if (dx.m_bSaveAndValidate)
    index = static_cast<int>(SendDlgItemMessageA(dx.m_hDlg, id, CB_GETCURSEL, 0, 0));
  else
    SendDlgItemMessageA(dx.m_hDlg, id, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void DDX_LBIndex(CDataExchange& dx, int id, int& index) {
  if (dx.m_bSaveAndValidate)
    index = static_cast<int>(SendDlgItemMessageA(dx.m_hDlg, id, LB_GETCURSEL, 0, 0));
  else
    SendDlgItemMessageA(dx.m_hDlg, id, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void DDX_Slider(CDataExchange& dx, int id, int& position) {
  if (dx.m_bSaveAndValidate)
    position = static_cast<int>(SendDlgItemMessageA(dx.m_hDlg, id, TBM_GETPOS, 0, 0));
  else
    SendDlgItemMessageA(dx.m_hDlg, id, TBM_SETPOS, TRUE, position);
}

void DDX_Control(CDataExchange& dx, int id, HWND& control) { control = GetDlgItem(dx.m_hDlg, id); }
