// The -lh5-..-lh7- encoder on arbitrary bytes: its stream must decode back to
// them. The first byte picks the method; the rest, repeated a little so that
// long matches and several blocks occur, is the data.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "codecs/lh/lh_decoder.h"
#include "codecs/lh/lh_encoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const int method = 5 + data[0] % 3;
  std::vector<uint8_t> input(data + 1, data + size);
  const size_t copies = 1 + data[0] / 3 % 4;
  for (size_t c = 1; c < copies; c++) input.insert(input.end(), data + 1, data + size);

  fmt::MemoryInStream in(input);
  fmt::MemoryOutStream packed;
  auto r = fmt::codecs::encodeLh(in, input.size(), packed, method);
  if (r.abandoned || r.packedSize != packed.data.size()) std::abort();

  fmt::MemoryInStream back(packed.data);
  fmt::MemoryOutStream out;
  fmt::codecs::LhDecoder(fmt::codecs::lhWindowBits(method)).decode(back, input.size(), out);
  if (out.data != input) std::abort();
  return 0;
}
