// Ownership of memory from the shell allocator (SHGetMalloc): freed through that
// allocator once, when the owner goes, unless it was handed on with release().
#pragma once
#include <windows.h>
#include <objidl.h>

#include <memory>

namespace foldertree {

struct ShellFree {
  IMalloc* malloc;
  void operator()(void* block) const {
    if (malloc) malloc->Free(block);
  }
};

template <typename T>
using ShellPtr = std::unique_ptr<T, ShellFree>;

// `block` (may be null) owned, to be freed through `malloc`.
template <typename T>
ShellPtr<T> ShellOwned(IMalloc* malloc, T* block) {
  return ShellPtr<T>(block, ShellFree{malloc});
}

}  // namespace foldertree
