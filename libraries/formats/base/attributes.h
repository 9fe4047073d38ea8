// DOS attribute bits, as LZH, Cabinet and ZIP store them and the platform
// layer reads and sets them.
#pragma once
#include <cstdint>

namespace fmt {

enum : uint32_t {
  kAttrReadOnly = 0x01,
  kAttrHidden = 0x02,
  kAttrSystem = 0x04,
  kAttrFolder = 0x10,
  kAttrArchive = 0x20,
};

}  // namespace fmt
