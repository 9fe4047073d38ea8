// What the ZIP reader keeps of one central directory record beside the common
// Entry: the raw fields needed to find, check and decode the data.
#pragma once
#include <cstdint>
#include <string>

#include "base/error.h"

namespace fmt::zip {

struct Item {
  uint16_t versionMadeBy = 0;
  uint16_t flags = 0;
  uint16_t method = 0;
  uint16_t dosTime = 0, dosDate = 0;  // as stored: the encryption check may use the time
  uint32_t crc = 0;
  uint64_t packedSize = 0, size = 0;
  uint64_t localOffset = 0;  // already corrected for a prefix
  uint32_t externalAttributes = 0;
  std::string rawName;       // bytes of the central header's name

  // WinZip AES (method 99): the strength (1 to 3; 0 when not AES), the vendor
  // version (1 = AE-1 keeps the CRC, 2 = AE-2 stores none) and the real method.
  uint8_t aesStrength = 0;
  uint16_t aesVersion = 0;
  uint16_t aesMethod = 0;

  // From the local header, checked when the archive is opened.
  uint64_t dataOffset = 0;
  uint16_t localFlags = 0;   // the descriptor bit counts as the local header has it
  uint16_t localDosTime = 0;
  bool local64 = false;      // the local header has ZIP64 sizes: so has a data descriptor

  // Why the entry cannot be extracted, found when the archive was opened.
  std::string problem;
  ErrorKind problemKind = ErrorKind::Corrupt;

  void refuse(ErrorKind kind, const std::string& why) {
    if (problem.empty()) problem = why, problemKind = kind;
  }
};

}  // namespace fmt::zip
