// Text helpers of the harness.
#pragma once
#include <windows.h>
#include <objidl.h>

#include <string>
#include <vector>

namespace shellext_test {

// Text of the ANSI code page as wide characters.
std::wstring wide(const std::string& s);

}  // namespace shellext_test
