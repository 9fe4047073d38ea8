// The owner of shell memory frees through the allocator it was given, once, and
// not at all once the block was handed on.
#include "shell_memory.h"

#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {

// An allocator that remembers what it was asked to free.
class RecordingMalloc : public IMalloc {
 public:
  std::vector<void*> freed;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  void* STDMETHODCALLTYPE Alloc(SIZE_T size) override { return std::malloc(size); }
  void* STDMETHODCALLTYPE Realloc(void* block, SIZE_T size) override { return std::realloc(block, size); }
  void STDMETHODCALLTYPE Free(void* block) override {
    freed.push_back(block);
    std::free(block);
  }
  SIZE_T STDMETHODCALLTYPE GetSize(void*) override { return static_cast<SIZE_T>(-1); }
  int STDMETHODCALLTYPE DidAlloc(void*) override { return -1; }
  void STDMETHODCALLTYPE HeapMinimize() override {}
};

TEST(ShellMemory, FreedOnceThroughItsAllocatorUnlessHandedOn) {
  RecordingMalloc allocator;
  void* kept = allocator.Alloc(8);
  void* dropped = allocator.Alloc(8);
  void* replaced = allocator.Alloc(8);
  {
    auto a = foldertree::ShellOwned(&allocator, static_cast<ITEMIDLIST*>(dropped));
    auto b = foldertree::ShellOwned(&allocator, static_cast<ITEMIDLIST*>(kept));
    auto c = foldertree::ShellOwned(&allocator, static_cast<ITEMIDLIST*>(replaced));
    auto none = foldertree::ShellOwned<ITEMIDLIST>(&allocator, nullptr);
    EXPECT_EQ(b.release(), kept);
    c.reset();
    EXPECT_EQ(allocator.freed, std::vector<void*>{replaced});
  }
  EXPECT_EQ(allocator.freed, (std::vector<void*>{replaced, dropped}))
      << "not the one handed on, nothing for the empty one";
  allocator.Free(kept);
}

}  // namespace
