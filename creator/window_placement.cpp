#include "window_placement.h"

#include <cstdlib>
#include <string>

#include "registry.h"

bool LoadWindowPos(int& left, int& top) {
  reg::Key key = reg::Key::create(HKEY_CURRENT_USER, kPakmoKey);
  if (!key) return false;
  auto t = key.getString("Top");
  if (!t) return false;
  top = std::atoi(t->c_str());
  if (auto l = key.getString("Left")) left = std::atoi(l->c_str());
  return true;
}

void SaveWindowPos(int left, int top) {
  reg::Key key = reg::Key::create(HKEY_CURRENT_USER, kPakmoKey);
  if (!key) return;
  key.setString("Top", std::to_string(top));
  key.setString("Left", std::to_string(left));
}

void OffsetForSecondCopy(int& left, int& top, const RECT& desktop) {
  left += 40;
  top += 40;
  if (left + 200 > desktop.right) left = 10;
  if (top + 200 > desktop.bottom) top = 10;
}
