#include "cab/cab_format.h"

namespace fmt::cab {

std::string methodName(uint16_t typeCompress) {
  switch (methodOf(typeCompress)) {
    case Method::None: return "None";
    case Method::Mszip: return "MSZIP";
    case Method::Lzx: return "LZX:" + std::to_string(lzxWindowBits(typeCompress));
    case Method::Quantum:
      return "Quantum:" + std::to_string(quantumLevel(typeCompress)) + ":" +
             std::to_string(quantumWindowBits(typeCompress));
  }
  return "method " + std::to_string(typeCompress & 0x0F);
}

uint32_t checksum(const void* data, size_t n, uint32_t seed) {
  auto* p = static_cast<const uint8_t*>(data);
  uint32_t sum = seed;
  for (size_t words = n / 4; words; words--, p += 4) sum ^= get32(p);
  uint32_t tail = 0;
  switch (n & 3) {
    case 3: tail |= static_cast<uint32_t>(*p++) << 16; [[fallthrough]];
    case 2: tail |= static_cast<uint32_t>(*p++) << 8; [[fallthrough]];
    case 1: tail |= *p;
  }
  return sum ^ tail;
}

}  // namespace fmt::cab
