// Name forms particular to LZH headers: folder separators (FF in extended
// headers, '\' or '/' in old ones) and the UTF-16 names of Unicode headers.
#pragma once
#include <string>

#include "base/sjis.h"
#include "core/entry.h"

namespace fmt::lzh {

// Turns FF and '\' into '/', never touching the second byte of a Shift-JIS
// character (0x5C is a valid one, as in 表 and ソ). A lead byte pairs only with a
// valid second byte (sjis::isPair): before FF or '/' it stands alone.
std::string slashSeparators(const std::string& stored, NameEncoding enc);
// '/' into FF, for folder name headers.
std::string ffSeparators(const std::string& name, NameEncoding enc);

std::string utf16leToUtf8(const std::string& utf16);
std::string utf8ToUtf16le(const std::string& utf8);

}  // namespace fmt::lzh
