// The shell's file-list block (the CF_HDROP layout): a 20-byte header giving
// where the list starts and whether it is wide, then each path ending in a
// zero, then one more zero.
#pragma once
#include <windows.h>
#include <ole2.h>

#include <string>
#include <vector>

constexpr size_t kFileListBlockSize = 1048576;

// A movable, zero-filled block of `size` bytes with the narrow (ANSI) `paths`
// in order, as many as fit whole with the closing zero; `added` (if given)
// tells how many. Null when the memory cannot be had.
HGLOBAL BuildFileListBlock(const std::vector<std::string>& paths, size_t size, size_t* added = nullptr);

// The paths of a block of `size` bytes in the ANSI code page, wide lists
// converted; a list cut off by the block's end gives the whole paths before it.
std::vector<std::string> ReadFileListBlock(const void* block, size_t size);

// The file list `data` offers as CF_HDROP; empty when it offers none.
std::vector<std::string> FileListOf(IDataObject* data);
