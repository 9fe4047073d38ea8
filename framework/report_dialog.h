// The result window the programs show a library's report in: a read-only text,
// "OK" closes it, "終了" (Cancel, Escape, the close box) ends the program. Each
// program gives its own template, text control and icon.
#pragma once
#include <windows.h>

#include <string>

#include "icon_dialog.h"

class CReportDlg : public CIconDialog {
 public:
  CReportDlg(UINT templateId, int textId, UINT iconId) : CIconDialog(templateId, iconId), m_textId(textId) {}
  std::string m_text;  // the library's report, line feeds as the library wrote them

  // Every line feed becomes CR LF, scanning whole Shift-JIS characters.
  static std::string WithCrLf(const std::string& text);

 protected:
  BOOL OnInitDialog() override;
  void OnCancel() override;  // posts the quit message to the owner: the program ends

 private:
  int m_textId;
};
