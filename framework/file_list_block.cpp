#include "file_list_block.h"

#include <shlobj.h>

#include <cstdint>
#include <cstring>

HGLOBAL BuildFileListBlock(const std::vector<std::string>& paths, size_t size, size_t* added) {
  if (added) *added = 0;
  if (size < sizeof(DROPFILES) + 2) return nullptr;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
  if (!block) return nullptr;
  auto* bytes = static_cast<unsigned char*>(GlobalLock(block));
  if (!bytes) {
    GlobalFree(block);
    return nullptr;
  }
  auto* header = reinterpret_cast<DROPFILES*>(bytes);
  header->pFiles = sizeof(DROPFILES);  // point (0, 0), client area, narrow: all zero already
  size_t at = sizeof(DROPFILES);
  for (const std::string& path : paths) {
    // The path, its zero and the list's closing zero must all lie inside.
    if (path.empty() || path.size() + 2 > size - at) break;
    std::memcpy(bytes + at, path.data(), path.size());
    at += path.size() + 1;
    if (added) ++*added;
  }
  GlobalUnlock(block);
  return block;
}

std::vector<std::string> ReadFileListBlock(const void* block, size_t size) {
  std::vector<std::string> names;
  const auto* bytes = static_cast<const unsigned char*>(block);
  if (!bytes || size < sizeof(DROPFILES)) return names;
  uint32_t offset = 0, wide = 0;
  std::memcpy(&offset, bytes, 4);
  std::memcpy(&wide, bytes + 16, 4);
  size_t i = offset;
  if (wide) {
    while (i + 2 <= size) {
      std::wstring name;
      for (; i + 2 <= size; i += 2) {
        const wchar_t c = static_cast<wchar_t>(bytes[i] | (bytes[i + 1] << 8));
        if (!c) break;
        name += c;
      }
      if (i + 2 > size || name.empty()) break;  // cut off, or the closing empty name
      i += 2;
      const int n = WideCharToMultiByte(CP_ACP, 0, name.data(), static_cast<int>(name.size()), nullptr, 0, nullptr,
                                        nullptr);
      std::string mb(static_cast<size_t>(n), '\0');
      WideCharToMultiByte(CP_ACP, 0, name.data(), static_cast<int>(name.size()), mb.data(), n, nullptr, nullptr);
      names.push_back(mb);
    }
  } else {
    while (i < size) {
      const void* end = std::memchr(bytes + i, 0, size - i);
      if (!end) break;
      const size_t len = static_cast<size_t>(static_cast<const unsigned char*>(end) - (bytes + i));
      if (len == 0) break;
      names.emplace_back(reinterpret_cast<const char*>(bytes + i), len);
      i += len + 1;
    }
  }
  return names;
}

std::vector<std::string> FileListOf(IDataObject* data) {
  std::vector<std::string> names;
  if (!data) return names;
  FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM medium{};
  if (FAILED(data->GetData(&format, &medium))) return names;
  if (medium.tymed == TYMED_HGLOBAL) {
    if (const void* block = GlobalLock(medium.hGlobal)) {
      names = ReadFileListBlock(block, GlobalSize(medium.hGlobal));
      GlobalUnlock(medium.hGlobal);
    }
  }
  ReleaseStgMedium(&medium);
  return names;
}
