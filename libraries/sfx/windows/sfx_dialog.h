// The extractor's window: the destination with a browse button, 解凍 and
// キャンセル, a bar with the current file while it runs (キャンセル stops it),
// the report line by line, and 閉じる at the end.
#pragma once
#include <windows.h>

#include <string>

#include "core/archive.h"

namespace sfx {

// Runs the dialog modally; the result is the program's exit status.
int runDialog(HINSTANCE instance, fmt::ArchiveReader& reader, const std::string& selfPath);

}  // namespace sfx
