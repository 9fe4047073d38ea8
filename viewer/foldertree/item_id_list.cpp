#include "item_id_list.h"

#include <cstring>

namespace foldertree {

namespace {
UINT ItemsSize(LPCITEMIDLIST id) {
  if (!id) return 0;
  UINT size = 0;
  auto* p = reinterpret_cast<const BYTE*>(id);
  for (USHORT cb; (std::memcpy(&cb, p + size, sizeof cb), cb != 0);) size += cb;
  return size;
}
}

UINT IdListSize(LPCITEMIDLIST id) { return ItemsSize(id) + sizeof(USHORT); }

LPITEMIDLIST CopyIdList(IMalloc* malloc, LPCITEMIDLIST id) { return CombineIdLists(malloc, nullptr, id); }

LPITEMIDLIST CombineIdLists(IMalloc* malloc, LPCITEMIDLIST parent, LPCITEMIDLIST child) {
  UINT a = ItemsSize(parent), b = ItemsSize(child);
  auto* out = static_cast<BYTE*>(malloc->Alloc(a + b + sizeof(USHORT)));
  if (!out) return nullptr;
  if (a) std::memcpy(out, parent, a);
  if (b) std::memcpy(out + a, child, b);
  std::memset(out + a + b, 0, sizeof(USHORT));
  return reinterpret_cast<LPITEMIDLIST>(out);
}

}  // namespace foldertree
