// Our raw deflate encoder (RFC 1951). A stream ends with a final block padded
// to a byte boundary, and its matches may reach back into a preset history:
// what an MSZIP frame needs.
//
// Levels 1..9:
//   1..3  a lazy parse over a shallow match search (fastest);
//   4..5  a shortest-path parse priced by the code of the lazy parse, with
//         blocks split where separate codes pay;
//   6..8  that, and each block parsed once more under its own code, over
//         deeper searches and finer splits;
//   9     the whole parse repeated under the code of its first result,
//         deeper trees and finer cuts (smallest, slowest).
// A piece that looks like text (hardly any control bytes) takes the chain
// parse at every level instead, with chains deeper as the level rises: text
// is full of long matches, inside which that parse costs next to nothing,
// while the trees and the priced parse gain only a few percent on it for
// several times the time.
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

  // One stream per frame of kFrame bytes of in[0, n) (the last may be
  // shorter), appended to streams[0..]: each a stream of its own that refers
  // back into the frames before it and the history. Searching the frames
  // together spares entering each frame's history anew.
  static constexpr size_t kFrame = 32768;
  void encodeFrames(const uint8_t* in, size_t historySize, size_t n, std::vector<std::vector<uint8_t>>& streams);

  // Room enough for any stream of n bytes: a piece of 32 KB is never written
  // longer than as one stored block (five bytes of header and a byte of padding).
  static size_t maxBytes(size_t n) { return n + 6 * (n / 32768 + 1) + 8; }

 private:
  struct State;
  std::unique_ptr<State> s_;
};

}  // namespace fmt::codecs
