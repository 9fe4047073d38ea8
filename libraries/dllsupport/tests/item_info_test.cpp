// The enumeration record as the suite reads it, field by field.
#include <gtest/gtest.h>

#include <cstring>

#include "item_info.h"

namespace {

fmt::Entry entry(const char* name, fmt::EntryKind kind, uint64_t size, uint64_t packed) {
  fmt::Entry e;
  e.name = name;
  e.kind = kind;
  e.size = size;
  e.packedSize = packed;
  e.method = kind == fmt::EntryKind::Folder ? "-lhd-" : "-lh5-";
  e.hasCrc = true;
  e.crc = 0xBEEF;
  e.dosDate = 0x5A21;
  e.dosTime = 0x6C3E;
  e.attributes = fmt::kAttrReadOnly | fmt::kAttrArchive;
  e.osType = 'M';
  e.headerLevel = 2;
  return e;
}

TEST(ItemInfo, FieldsAtTheirOffsets) {
  archiver::ArcItemInfo info;
  std::memset(&info, 0x55, sizeof info);
  dllsupport::fillItemInfo(entry("表/ソ.txt", fmt::EntryKind::File, 2000, 1234), info);
  const auto* raw = reinterpret_cast<const unsigned char*>(&info);
  auto u16 = [&](size_t at) { return static_cast<unsigned>(raw[at] | raw[at + 1] << 8); };
  EXPECT_EQ(raw[0] | raw[1] << 8 | raw[2] << 16 | raw[3] << 24, 2000);
  EXPECT_EQ(info.compressedSize, 1234u);
  EXPECT_EQ(info.crc, 0xBEEFu);
  EXPECT_EQ(u16(20), 617u);  // 1234 * 1000 / 2000
  EXPECT_EQ(u16(22), 0x5A21u);
  EXPECT_EQ(u16(24), 0x6C3Eu);
  EXPECT_STREQ(reinterpret_cast<const char*>(raw + 26), "表\\ソ.txt");
  EXPECT_STREQ(reinterpret_cast<const char*>(raw + 539), "-lh5-");
  EXPECT_STREQ(info.attributeText, "--RA--");
  EXPECT_EQ(info.osType, 'M');
  EXPECT_EQ(info.headerLevel, 2);
  // The record past the name's terminator is cleared, not left as it was.
  EXPECT_EQ(raw[26 + std::strlen(info.name) + 1], 0);
}

TEST(ItemInfo, FoldersEmptyEntriesAndLongNames) {
  archiver::ArcItemInfo info;
  dllsupport::fillItemInfo(entry("dir/表", fmt::EntryKind::Folder, 0, 0), info);
  EXPECT_STREQ(info.name, "dir\\表/");
  EXPECT_EQ(info.ratio, 0);
  EXPECT_EQ(info.attributes & fmt::kAttrFolder, fmt::kAttrFolder);
  EXPECT_EQ(info.attributeText[0], 'D');
  // A name longer than the field ends at a whole character.
  std::string longName;
  for (int i = 0; i < 300; ++i) longName += "表";
  dllsupport::fillItemInfo(entry(longName.c_str(), fmt::EntryKind::File, 1, 1), info);
  EXPECT_EQ(std::strlen(info.name), 512u);
  dllsupport::fillItemInfo(entry(("a" + longName).c_str(), fmt::EntryKind::File, 1, 2), info);
  EXPECT_EQ(std::strlen(info.name), 511u);
  EXPECT_EQ(info.ratio, 2000);
}

}  // namespace
