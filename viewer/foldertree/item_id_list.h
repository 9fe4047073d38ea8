// Shell item identifier lists, allocated with the shell allocator.
#pragma once
#include <windows.h>
#include <shlobj.h>

namespace foldertree {

// Bytes of the list including its terminating zero count.
UINT IdListSize(LPCITEMIDLIST id);
// A copy of `id`; null when the allocation fails.
LPITEMIDLIST CopyIdList(IMalloc* malloc, LPCITEMIDLIST id);
// `parent` (null for the desktop) followed by `child`; null when the allocation fails.
LPITEMIDLIST CombineIdLists(IMalloc* malloc, LPCITEMIDLIST parent, LPCITEMIDLIST child);

}  // namespace foldertree
