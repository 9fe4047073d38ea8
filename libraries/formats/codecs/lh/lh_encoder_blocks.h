// Segments of parsed codes gathered into -lh5-..-lh7- blocks: each segment
// joins the pending block or, when a block of its own costs less, starts one.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "codecs/lh/lh_encoder_block.h"

namespace fmt::codecs {

class LhBlockBuilder {
 public:
  LhBlockBuilder(LhBitWriter& out, int windowBits) : out_(out), coder_(windowBits) {}

  // The pending block's trees, or null when none is pending.
  const LhBlockPlan* plan() const { return codes_.empty() ? nullptr : &plan_; }
  const LhBlockCoder& coder() const { return coder_; }

  // Takes a segment (its codes, parsed from the `n` bytes at `bytes`) into the
  // pending block, or writes the pending block first when the segment is cheaper
  // alone or the block is full. Where plain literals cost less than the parse
  // (noise, packed data: prices learnt before can favour poor matches), the bytes
  // go as literals. `seg` may be changed.
  void add(std::vector<LhCode>& seg, const uint8_t* bytes, size_t n);

  // Writes the pending block.
  void flush();

 private:
  LhBitWriter& out_;
  LhBlockCoder coder_;
  std::vector<LhCode> codes_;
  LhCounts counts_;
  LhBlockPlan plan_;
  LhBlockPlan literal_;
};

}  // namespace fmt::codecs
