// The deflate encoder's fast parse: hash chains searched and a lazy parse made
// in one pass, as the classic deflate programs do. Every position joins its
// chain, but only where a token may start is a chain walked, so inside long
// matches (which text is full of) it costs next to nothing. The binary trees of
// MatchFinder find better matches, at several times the cost.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "codecs/deflate/deflate_encoder_parse.h"

namespace fmt::codecs::deflate {

class ChainParser {
 public:
  // depth bounds the chain links followed per search; a match of niceLength
  // ends a search, and one of lazyLength is taken without looking a byte on.
  ChainParser(int depth, uint32_t niceLength, uint32_t lazyLength);
  void setLimits(int depth, uint32_t niceLength, uint32_t lazyLength);

  // Starts over on the span data[0, size) (less than 2 GB).
  void reset(const uint8_t* data, size_t size);

  // Leaves in `tokens` the parse of data[from, end); its matches stay inside
  // [0, end) and reach at most 32 KB back. Positions of the 32 KB before `from`
  // not entered yet join the chains first. Pieces are parsed in order.
  void parse(size_t from, size_t end, std::vector<Token>& tokens);

  static constexpr size_t kSlots = 2 * 32768;

 private:
  static constexpr int kHashBits = 15;
  static constexpr int kHash3Bits = 14;
  void enter(size_t p);
  Match search(size_t p, size_t end);

  int depth_;
  uint32_t nice_, lazy_;
  const uint8_t* b_ = nullptr;
  size_t size_ = 0;
  size_t entered_ = 0;  // positions before this are in the chains
  size_t lastDist_ = 0;  // of the last match taken
  std::vector<int32_t> head_, head3_, prev_;
};

}  // namespace fmt::codecs::deflate
