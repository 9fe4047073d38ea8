#include "codecs/lzx/lzx_calls.h"

#include <cstring>

namespace fmt::codecs::lzx {

namespace {

constexpr uint64_t kTranslatedBytes = uint64_t(1) << 30;

int32_t load(const uint8_t* p) {
  return static_cast<int32_t>(p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24);
}

void store(uint8_t* p, int64_t v) {
  uint32_t u = static_cast<uint32_t>(v);
  p[0] = static_cast<uint8_t>(u);
  p[1] = static_cast<uint8_t>(u >> 8);
  p[2] = static_cast<uint8_t>(u >> 16);
  p[3] = static_cast<uint8_t>(u >> 24);
}

template <typename Change>
void scan(uint8_t* frame, size_t n, uint64_t frameStart, int32_t size, Change change) {
  if (size <= 0 || frameStart >= kTranslatedBytes || n <= 10) return;
  const size_t end = n - 10;
  for (size_t i = 0; i < end;) {
    const void* hit = std::memchr(frame + i, 0xE8, end - i);
    if (!hit) break;
    i = static_cast<size_t>(static_cast<const uint8_t*>(hit) - frame);
    change(frame + i + 1, static_cast<int64_t>(frameStart + i));
    i += 5;  // the displacement's bytes are never call bytes themselves
  }
}

}  // namespace

void translateCalls(uint8_t* frame, size_t n, uint64_t frameStart, int32_t size) {
  scan(frame, n, frameStart, size, [size](uint8_t* p, int64_t cur) {
    int64_t rel = load(p);
    int64_t target = cur + rel;
    if (target >= 0 && rel < size) store(p, target < size ? target : rel - size);
  });
}

void untranslateCalls(uint8_t* frame, size_t n, uint64_t frameStart, int32_t size) {
  scan(frame, n, frameStart, size, [size](uint8_t* p, int64_t cur) {
    int64_t abs = load(p);
    if (abs >= -cur && abs < size) store(p, abs >= 0 ? abs - cur : abs + size);
  });
}

}  // namespace fmt::codecs::lzx
