#include "viewer_startup.h"

#include <cstdio>

#include "entry_text.h"

void CascadeWindowRect(RECT& r, const RECT& desktop) {
  r.left += 40;
  r.top += 40;
  if (r.left + 200 > desktop.right) r.left = 10;
  if (r.top + 200 > desktop.bottom) r.top = 10;
}

std::string ArchivePathFromCommandLine(const std::string& tail) {
  std::string path = tail;
  if (!path.empty() && path.front() == '"') {
    path.erase(0, 1);
    if (!path.empty() && path.back() == '"') path.pop_back();
  }
  return path;
}

std::optional<uint64_t> ArchiveFileSize(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::nullopt;
  LARGE_INTEGER size{};
  BOOL ok = GetFileSizeEx(h, &size);
  CloseHandle(h);
  if (!ok) return std::nullopt;
  return static_cast<uint64_t>(size.QuadPart);
}

std::string ArchiveStatusText(unsigned count, uint64_t total, std::optional<uint64_t> fileSize) {
  char buf[256];
  if (!fileSize) {
    std::snprintf(buf, sizeof buf, "%u 個のﾌｧｲﾙ  総圧縮率 ?%%(?ﾊﾞｲﾄ → ?ﾊﾞｲﾄ) ", count);
  } else if (total == 0) {
    std::snprintf(buf, sizeof buf, "%u 個のﾌｧｲﾙ  総圧縮率 ?%%(?ﾊﾞｲﾄ → %sﾊﾞｲﾄ) ", count,
                  FormatThousands(*fileSize).c_str());
  } else {
    std::snprintf(buf, sizeof buf, "%u 個のﾌｧｲﾙ  総圧縮率 %1.1f%% (%sﾊﾞｲﾄ → %sﾊﾞｲﾄ) ", count,
                  static_cast<double>(*fileSize) * 100.0 / static_cast<double>(total), FormatThousands(total).c_str(),
                  FormatThousands(*fileSize).c_str());
  }
  return buf;
}
