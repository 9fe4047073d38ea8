// The Cabinet container as it lies on disk: the fixed records and their limits,
// shared by the reader and the writer.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fmt::cab {

inline constexpr uint8_t kSignature[4] = {'M', 'S', 'C', 'F'};
inline constexpr size_t kHeaderSize = 36;    // CFHEADER without its optional parts
inline constexpr size_t kFolderSize = 8;     // CFFOLDER without its reserved area
inline constexpr size_t kFileSize = 16;      // CFFILE without its name
inline constexpr size_t kDataSize = 8;       // CFDATA header without its reserved area
inline constexpr size_t kMaxNameBytes = 255;  // names and cabinet names, NUL excluded
inline constexpr size_t kFrameSize = 32768;  // uncompressed bytes per CFDATA block
// 65535 blocks of 32 KB: the most a folder can hold.
inline constexpr uint64_t kMaxFolderBytes = 65535ull * kFrameSize;

// CFHEADER flags.
inline constexpr uint16_t kFlagPrevCabinet = 0x0001;
inline constexpr uint16_t kFlagNextCabinet = 0x0002;
inline constexpr uint16_t kFlagReservePresent = 0x0004;

// CFFILE folder indices that point into neighbouring cabinets.
inline constexpr uint16_t kContinuedFromPrev = 0xFFFD;
inline constexpr uint16_t kContinuedToNext = 0xFFFE;
inline constexpr uint16_t kContinuedPrevAndNext = 0xFFFF;

// CFFILE attributes beyond the DOS ones.
inline constexpr uint16_t kAttrExec = 0x40;
inline constexpr uint16_t kAttrNameIsUtf8 = 0x80;

// CFFOLDER typeCompress: method in the low nibble, parameters above it.
enum class Method : uint8_t { None = 0, Mszip = 1, Quantum = 2, Lzx = 3 };
inline Method methodOf(uint16_t typeCompress) { return static_cast<Method>(typeCompress & 0x000F); }
inline int lzxWindowBits(uint16_t typeCompress) { return (typeCompress >> 8) & 0x1F; }
inline int quantumLevel(uint16_t typeCompress) { return (typeCompress >> 4) & 0x0F; }
inline int quantumWindowBits(uint16_t typeCompress) { return (typeCompress >> 8) & 0x1F; }
inline uint16_t lzxTypeCompress(int windowBits) {
  return static_cast<uint16_t>(static_cast<uint16_t>(Method::Lzx) | (windowBits << 8));
}
// "None", "MSZIP", "LZX:21", "Quantum:7:21": what listings show.
std::string methodName(uint16_t typeCompress);

struct FolderRecord {
  uint32_t dataOffset = 0;  // first CFDATA, from the cabinet's start
  uint16_t dataCount = 0;
  uint16_t typeCompress = 0;
};

struct FileRecord {
  uint32_t size = 0;
  uint32_t folderOffset = 0;  // uncompressed offset inside its folder
  uint16_t folderIndex = 0;
  uint16_t date = 0, time = 0, attributes = 0;
  std::string name;  // as stored, '\' between folders
};

// One cabinet file's directory.
struct Cabinet {
  uint64_t base = 0;  // where "MSCF" lies in the file (non-zero in self-extractors)
  uint32_t size = 0;  // cbCabinet
  uint16_t flags = 0, setId = 0, index = 0;
  uint16_t headerReserve = 0;
  uint8_t folderReserve = 0, dataReserve = 0;
  std::string prevCabinet, prevDisk, nextCabinet, nextDisk;
  std::vector<FolderRecord> folders;
  std::vector<FileRecord> files;
};

// The CFDATA checksum: 32-bit words XORed, the tail bytes packed high byte first.
uint32_t checksum(const void* data, size_t n, uint32_t seed);

inline uint16_t get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t get32(const uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}
inline void put16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; i++) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace fmt::cab
