// Our raw deflate encoder (RFC 1951). Each call writes one complete stream,
// ending with a final block padded to a byte boundary, whose matches may reach
// back into a preset history: what an MSZIP frame needs.
//
// Levels 1..9:
//   1..3  a lazy parse over a shallow match search (fastest);
//   4..6  a shortest-path parse priced by a first code from the lazy parse's
//         counts, with blocks split where separate codes pay;
//   7..9  the shortest-path parse repeated with the code of its own result,
//         then per block with each block's code, over deeper searches.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace fmt::codecs {

class DeflateEncoder {
 public:
  explicit DeflateEncoder(int level = 9);
  ~DeflateEncoder();
  DeflateEncoder(const DeflateEncoder&) = delete;
  DeflateEncoder& operator=(const DeflateEncoder&) = delete;

  // Appends to `out` the deflate stream of in[0, n), whose matches may refer to
  // the historySize bytes before `in` (the last 32 KB of them are used). The
  // output depends only on the arguments, never on earlier calls.
  void encode(const uint8_t* in, size_t historySize, size_t n, std::vector<uint8_t>& out);

  // Room enough for any stream of n bytes: a piece of 32 KB is never written
  // longer than as one stored block (five bytes of header and a byte of padding).
  static size_t maxBytes(size_t n) { return n + 6 * (n / 32768 + 1) + 8; }

 private:
  struct State;
  std::unique_ptr<State> s_;
};

}  // namespace fmt::codecs
