#include "item_info.h"

#include <algorithm>
#include <cstring>

#include "core/names.h"
#include "sjis_path.h"

namespace dllsupport {

std::string matchName(const fmt::Entry& e) { return fmt::sjisName(e, false); }

std::string reportedName(const fmt::Entry& e) {
  std::string name = backslashSeparators(fmt::sjisName(e, false));
  if (e.isFolder()) name += '/';
  return name;
}

std::string attributeText(uint32_t a) {
  std::string t = "------";
  if (a & fmt::kAttrFolder) t[0] = 'D';
  if (a & fmt::kAttrSystem) t[1] = 'S';
  if (a & fmt::kAttrReadOnly) t[2] = 'R';
  if (a & fmt::kAttrArchive) t[3] = 'A';
  if (a & fmt::kAttrHidden) t[4] = 'H';
  return t;
}

uint16_t ratio(const fmt::Entry& e) {
  if (e.size == 0) return 0;
  // 128-bit free: packedSize * 1000 overflows only beyond 16 EB of data.
  const long double r = static_cast<long double>(e.packedSize) * 1000.0L / static_cast<long double>(e.size);
  return static_cast<uint16_t>(std::min<long double>(r, 65535.0L));
}

namespace {

template <size_t N>
void copyField(char (&field)[N], const std::string& s) {
  const std::string cut = cutAtCharacter(s, N - 1);
  std::memcpy(field, cut.data(), cut.size());
  field[cut.size()] = '\0';
}

}  // namespace

void fillItemInfo(const fmt::Entry& e, archiver::ArcItemInfo& info) {
  std::memset(&info, 0, sizeof info);
  info.originalSize = static_cast<uint32_t>(e.size);
  info.compressedSize = static_cast<uint32_t>(e.packedSize);
  info.crc = e.hasCrc ? e.crc : 0;
  info.attributes = e.attributes | (e.isFolder() ? uint32_t{fmt::kAttrFolder} : 0u);
  info.osType = e.osType;
  info.headerLevel = e.headerLevel < 0 ? 0xFFFF : static_cast<uint16_t>(e.headerLevel);
  info.ratio = ratio(e);
  info.date = e.dosDate;
  info.time = e.dosTime;
  copyField(info.name, reportedName(e));
  copyField(info.method, e.method);
  copyField(info.attributeText, attributeText(info.attributes));
}

}  // namespace dllsupport
