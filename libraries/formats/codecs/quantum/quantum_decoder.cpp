// Quantum decoding, one CFDATA frame at a time.
#include <cstring>
#include <string>
#include <vector>

#include "codecs/msb_bit_reader.h"
#include "codecs/quantum/quantum.h"
#include "codecs/quantum/quantum_model.h"
#include "base/error.h"

namespace fmt::codecs {

using quantum::Model;

namespace {

[[noreturn]] void corrupt(const char* what) { fail(ErrorKind::Corrupt, std::string("Quantum: ") + what); }

struct Slots {
  uint32_t positionBase[42];
  uint8_t positionExtra[42];
  uint8_t lengthBase[27];
  uint8_t lengthExtra[27];
};

// Position slots double every two steps as in other LZ77 formats; the 27
// length slots grow in fours, the last one standing alone.
const Slots& slots() {
  static const Slots s = [] {
    Slots t{};
    uint32_t base = 0;
    for (int i = 0; i < 42; ++i) {
      int e = i < 4 ? 0 : i / 2 - 1;
      t.positionBase[i] = base;
      t.positionExtra[i] = static_cast<uint8_t>(e);
      base += 1u << e;
    }
    uint32_t len = 0;
    for (int i = 0; i < 27; ++i) {
      int e = i < 6 || i == 26 ? 0 : (i - 2) / 4;
      t.lengthBase[i] = static_cast<uint8_t>(len);
      t.lengthExtra[i] = static_cast<uint8_t>(e);
      len += 1u << e;
    }
    return t;
  }();
  return s;
}

// Zeros past the end of a frame are fed without limit: the check after the
// frame tells how far the coder ran into them.
constexpr MsbBitReader::PastEnd kPastEnd{UINT32_MAX, "Quantum: frame data ends early"};

// The arithmetic decoder over 16-bit low, high and code registers.
class ArithmeticDecoder {
 public:
  explicit ArithmeticDecoder(MsbBitReader& br) : br_(br) { code_ = br_.bits(16); }

  int decode(Model& m) {
    uint32_t range = (high_ - low_) + 1;
    uint32_t total = m.total();
    uint32_t target = (((code_ - low_) & 0xFFFF) + 1) * total - 1;
    target /= range;
    int i = 1;
    while (i < m.entries() && m.cum(i) > target) ++i;
    int entry = i - 1;
    int symbol = m.symbol(entry);
    high_ = (low_ + (m.cum(entry) * range) / total - 1) & 0xFFFF;
    low_ = (low_ + (m.cum(entry + 1) * range) / total) & 0xFFFF;
    m.update(entry);
    normalise();
    return symbol;
  }

 private:
  void normalise() {
    for (;;) {
      if ((low_ ^ high_) & 0x8000) {
        // Straddling the middle: only the near-convergence case can shift.
        if ((low_ & 0x4000) && !(high_ & 0x4000)) {
          code_ ^= 0x4000;
          low_ &= 0x3FFF;
          high_ |= 0x4000;
        } else {
          return;
        }
      }
      low_ = (low_ << 1) & 0xFFFF;
      high_ = ((high_ << 1) | 1) & 0xFFFF;
      code_ = ((code_ << 1) | br_.bit()) & 0xFFFF;
    }
  }

  MsbBitReader& br_;
  uint32_t low_ = 0, high_ = 0xFFFF, code_ = 0;
};

}  // namespace

struct QuantumDecoder::State {
  int windowBits;
  uint32_t windowSize;
  std::vector<uint8_t> window;
  uint32_t windowPos = 0;
  uint64_t totalOut = 0;
  bool shortFrameSeen = false;
  Model literals[4];
  Model pos3, pos4, pos5plus, length, selector;

  explicit State(int bits) : windowBits(bits), windowSize(1u << bits), window(windowSize) {
    for (int i = 0; i < 4; ++i) literals[i].init(64, 64 * i);
    int posSlots = 2 * bits;
    pos3.init(posSlots < 24 ? posSlots : 24, 0);
    pos4.init(posSlots < 36 ? posSlots : 36, 0);
    pos5plus.init(posSlots, 0);
    length.init(27, 0);
    selector.init(7, 0);
  }

  void decodeFrame(const uint8_t* in, size_t inSize, uint8_t* out, size_t outSize);
};

QuantumDecoder::QuantumDecoder(int windowBits) {
  if (windowBits < kQuantumMinWindowBits || windowBits > kQuantumMaxWindowBits)
    fail(ErrorKind::Usage, "Quantum: window bits must be 10..21");
  s_ = std::make_unique<State>(windowBits);
}

QuantumDecoder::~QuantumDecoder() = default;

void QuantumDecoder::reset() { s_ = std::make_unique<State>(s_->windowBits); }

void QuantumDecoder::State::decodeFrame(const uint8_t* in, size_t inSize, uint8_t* out, size_t outSize) {
  const Slots& t = slots();
  MsbBitReader br(in, inSize, kPastEnd);
  ArithmeticDecoder ac(br);
  const uint32_t mask = windowSize - 1;
  size_t o = 0;
  while (o < outSize) {
    int sel = ac.decode(selector);
    if (sel < 4) {
      uint8_t b = static_cast<uint8_t>(ac.decode(literals[sel]));
      window[windowPos] = b;
      windowPos = (windowPos + 1) & mask;
      out[o++] = b;
      continue;
    }
    uint32_t len, slot;
    if (sel == 4) {
      len = 3;
      slot = static_cast<uint32_t>(ac.decode(pos3));
    } else if (sel == 5) {
      len = 4;
      slot = static_cast<uint32_t>(ac.decode(pos4));
    } else {
      int ls = ac.decode(length);
      len = t.lengthBase[ls] + br.bits(t.lengthExtra[ls]) + 5;
      slot = static_cast<uint32_t>(ac.decode(pos5plus));
    }
    uint32_t dist = t.positionBase[slot] + br.bits(t.positionExtra[slot]) + 1;
    if (len > outSize - o) {
      // Encoders let the last match of a folder run past its end; anywhere
      // else it would break the frame alignment.
      if (outSize == kQuantumFrameSize) corrupt("match runs past the end of its frame");
      len = static_cast<uint32_t>(outSize - o);
    }
    if (dist > totalOut + o || dist > windowSize) corrupt("match distance beyond the data decoded so far");
    uint32_t src = (windowPos - dist) & mask;
    for (uint32_t k = 0; k < len; ++k) {
      uint8_t b = window[src];
      src = (src + 1) & mask;
      window[windowPos] = b;
      windowPos = (windowPos + 1) & mask;
      out[o++] = b;
    }
  }
  // The coder holds 16 bits it has not decoded yet, so it may run that far
  // past the data; more than that means the frame was cut.
  br.checkOverrun(16);
  totalOut += outSize;
}

void QuantumDecoder::decodeBlock(const uint8_t* in, size_t inSize, uint8_t* out, size_t outSize) {
  if (outSize > kQuantumFrameSize) fail(ErrorKind::Usage, "Quantum: a frame holds at most 32768 bytes");
  if (outSize == 0) return;
  if (s_->shortFrameSeen) corrupt("frame after a short frame");
  if (outSize < kQuantumFrameSize) s_->shortFrameSeen = true;
  s_->decodeFrame(in ? in : reinterpret_cast<const uint8_t*>(""), inSize, out, outSize);
}

}  // namespace fmt::codecs
