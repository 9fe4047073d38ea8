// Dexlor's per-user settings under HKEY_CURRENT_USER\Software\Varn Software Factory\Dexlor,
// read once at start and written once at the end.
#pragma once
#include <windows.h>

#include <string>

struct ViewerSettings {
  RECT windowRect{50, 50, 400, 300};  // left, top, width, height (not right, bottom)
  int columnWidths[4] = {150, 100, 50, 100};
  std::string viewerPath;
  std::string lastFolder;
  bool hideNotice = false;
};

extern const char kViewerSettingsKey[];

// Fills `s` from the registry; false when the key cannot be had or "Top" or
// "Col0" is missing (the caller then applies the defaults of position, size,
// widths and the notice flag; a last folder read before the failure stays).
bool LoadViewerSettings(ViewerSettings& s);
void SaveViewerSettings(const ViewerSettings& s);

// Decimal from the start of the text: blanks skipped, an optional sign, digits up
// to the first non-digit; no digits read as 0.
int ParseSettingNumber(const std::string& text);
