// Where Pakmo's window opens: the remembered position, offset for a second copy.
#pragma once
#include <windows.h>

inline constexpr char kPakmoKey[] = "Software\\Varn Software Factory\\Pakmo";

// Reads "Top" and, only when that worked, "Left"; true when "Top" was read.
bool LoadWindowPos(int& left, int& top);
void SaveWindowPos(int left, int top);
// Another copy runs: 40 pixels right and down, back to 10 on an axis where the
// position plus 200 would pass the edge of `desktop`.
void OffsetForSecondCopy(int& left, int& top, const RECT& desktop);
