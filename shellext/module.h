// What the whole module shares: the count of live objects that decides when the
// shell may unload it, and the trace written to the debugger output.
#pragma once
#include <windows.h>

namespace pkshlext {

extern LONG g_objectCount;
extern HINSTANCE g_moduleHandle;

inline void trace(const char* line) { OutputDebugStringA(line); }

}  // namespace pkshlext
