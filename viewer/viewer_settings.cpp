#include "viewer_settings.h"

#include <cctype>
#include <climits>

#include "registry.h"

const char kViewerSettingsKey[] = "Software\\Varn Software Factory\\Dexlor";

int ParseSettingNumber(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) i++;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long v = 0;
  for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); i++) {
    v = v * 10 + (text[i] - '0');
    if (v > INT_MAX) v = INT_MAX + 1LL;  // saturate rather than wrap
  }
  if (negative) v = -v;
  if (v > INT_MAX) v = INT_MAX;
  if (v < INT_MIN) v = INT_MIN;
  return static_cast<int>(v);
}

namespace {
// Values longer than what the store reads are cut to that many bytes.
std::string cut(std::string s, size_t max) {
  if (s.size() > max) s.resize(max);
  return s;
}
}  // namespace

bool LoadViewerSettings(ViewerSettings& s) {
  reg::Key key = reg::Key::create(HKEY_CURRENT_USER, kViewerSettingsKey);
  if (!key) return false;
  auto top = key.getString("Top");
  if (!top) return false;
  ViewerSettings d;  // what a missing value reads as
  auto number = [&](const char* name, int fallback) {
    auto v = key.getString(name);
    return v ? ParseSettingNumber(cut(*v, 255)) : fallback;
  };
  s.windowRect.top = ParseSettingNumber(cut(*top, 255));
  s.windowRect.left = number("Left", d.windowRect.left);
  s.windowRect.right = number("Width", d.windowRect.right);
  s.windowRect.bottom = number("Hight", d.windowRect.bottom);
  s.lastFolder = cut(key.getString("LastDir").value_or(""), 1023);
  if (!key.getString("Col0")) return false;
  for (int i = 0; i < 4; i++) s.columnWidths[i] = number(("Col" + std::to_string(i)).c_str(), d.columnWidths[i]);
  s.viewerPath = cut(key.getString("View").value_or(""), 255);
  auto notice = key.getString("ViewMessage");
  s.hideNotice = !(notice && cut(*notice, 255) == "FALSE");
  return true;
}

void SaveViewerSettings(const ViewerSettings& s) {
  reg::Key key = reg::Key::create(HKEY_CURRENT_USER, kViewerSettingsKey);
  if (!key) return;
  key.setString("Top", std::to_string(s.windowRect.top));
  key.setString("Left", std::to_string(s.windowRect.left));
  key.setString("Width", std::to_string(s.windowRect.right));
  key.setString("Hight", std::to_string(s.windowRect.bottom));
  for (int i = 0; i < 4; i++) key.setString("col" + std::to_string(i), std::to_string(s.columnWidths[i]));
  key.setString("View", s.viewerPath);
  key.setString("ViewMessage", s.hideNotice ? "TRUE" : "FALSE");
  key.setString("LastDir", s.lastFolder);
}
