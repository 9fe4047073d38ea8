// A library's export as the function type it really has. GetProcAddress gives a
// FARPROC of no particular signature; going through void* says the cast is
// meant, where a direct cast between function types draws a warning.
#pragma once
#include <windows.h>

template <typename Fn>
Fn procAddress(HMODULE module, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}
