#include "payload.h"

#include <algorithm>
#include <vector>

namespace sfx {

namespace {

uint32_t le16(const uint8_t* p) { return p[0] | (p[1] << 8); }
uint32_t le32(const uint8_t* p) { return le16(p) | (le16(p + 2) << 16); }

class TailSource : public fmt::ByteSource {
 public:
  TailSource(std::unique_ptr<fmt::ByteSource> whole, uint64_t offset)
      : whole_(std::move(whole)), offset_(std::min(offset, whole_->size())) {}
  uint64_t size() const override { return whole_->size() - offset_; }
  size_t readAt(uint64_t pos, void* buf, size_t n) override {
    if (pos >= size()) return 0;
    return whole_->readAt(offset_ + pos, buf, static_cast<size_t>(std::min<uint64_t>(n, size() - pos)));
  }

 private:
  std::unique_ptr<fmt::ByteSource> whole_;
  uint64_t offset_;
};

}  // namespace

uint64_t peImageEnd(const uint8_t* head, size_t n) {
  if (n < 0x40 || head[0] != 'M' || head[1] != 'Z') return 0;
  const uint64_t pe = le32(head + 0x3C);
  if (pe + 24 > n || le32(head + pe) != 0x00004550) return 0;  // "PE\0\0"
  const uint32_t sections = le16(head + pe + 6);
  const uint64_t table = pe + 24 + le16(head + pe + 20);
  if (table + 40ull * sections > n) return 0;
  uint64_t end = table + 40ull * sections;
  for (uint32_t i = 0; i < sections; ++i) {
    const uint8_t* s = head + table + 40ull * i;
    const uint32_t rawSize = le32(s + 16), rawPos = le32(s + 20);
    if (rawSize) end = std::max<uint64_t>(end, uint64_t{rawPos} + rawSize);
  }
  return end;
}

uint64_t imageEndOfFile(const std::string& path) {
  auto src = fmt::fileByteSource(path);
  std::vector<uint8_t> head(4096);
  head.resize(src->readAt(0, head.data(), head.size()));
  return peImageEnd(head.data(), head.size());
}

std::unique_ptr<fmt::ByteSource> tailSource(std::unique_ptr<fmt::ByteSource> whole, uint64_t offset) {
  return std::make_unique<TailSource>(std::move(whole), offset);
}

}  // namespace sfx
