// Where the suite's dialogs open: over the middle of their owner, kept inside
// the work area of the owner's monitor.
#pragma once
#include <windows.h>

// Moves `dialog` over the middle of its owner; a window without an owner stays.
void CentreOverOwner(HWND dialog);
