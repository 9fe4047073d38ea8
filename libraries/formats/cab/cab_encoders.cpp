// The block encoders of cabinet folders.
#include "cab/cab_codecs.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <exception>
#include <functional>
#include <thread>

#include "cab/cab_format.h"
#include "codecs/lzx/lzx.h"
#include "codecs/deflate/mszip.h"
#include "base/error.h"

namespace fmt::cab {
namespace {

// Encoders whose state runs through the folder take its frames one by one.
template <typename Codec>
class SequentialEncoder : public BlockEncoder {
 public:
  explicit SequentialEncoder(int arg) : codec_(arg) {}
  void reset() override { codec_.reset(); }
  void encodeFrames(const uint8_t* data, size_t history, size_t n, std::vector<std::vector<uint8_t>>& blocks) override {
    blocks.clear();
    for (size_t at = 0; at < n; at += kFrameSize) {
      blocks.emplace_back();
      codec_.encodeFrame(data + history + at, std::min(kFrameSize, n - at), blocks.back());
    }
  }

 private:
  Codec codec_;
};

// LZX hands the encoder a batch of frames at once: its blocks may then span
// frames, which saves their trees, and it searches on a second thread.
class LzxBatchEncoder : public BlockEncoder {
 public:
  LzxBatchEncoder(int windowBits, unsigned threads) : codec_(windowBits) { codec_.setThreads(threads); }
  void reset() override { codec_.reset(); }
  void encodeFrames(const uint8_t* data, size_t history, size_t n, std::vector<std::vector<uint8_t>>& blocks) override {
    blocks.clear();
    codec_.encodeFrames(data + history, n, blocks);
  }

 private:
  codecs::LzxEncoder codec_;
};

struct StoredCodec {
  explicit StoredCodec(int) {}
  void reset() {}
  void encodeFrame(const uint8_t* in, size_t n, std::vector<uint8_t>& out) { out.insert(out.end(), in, in + n); }
};

// An MSZIP frame depends only on the 32 KB of input before it, so groups of
// frames are shared out over a few threads, each with an encoder of its own.
// A group is searched as one; its size is fixed, so that the blocks do not
// depend on the number of threads. Each thread takes the next group left, so
// that one slow group (text and binary differ by far) keeps no thread idle.
// Each group enters the 32 KB before it afresh: groups of 16 frames spend 6%
// less time on programs than groups of 8, and batches of four groups keep four
// threads busy.
class ParallelMszipEncoder : public BlockEncoder {
 public:
  static constexpr size_t kGroupFrames = 16;

  ParallelMszipEncoder(int level, unsigned threads) {
    unsigned n = threads ? threads : std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
    for (unsigned i = 0; i < n; i++) workers_.push_back(std::make_unique<codecs::MszipEncoder>(level));
  }
  void reset() override {}
  size_t batchFrames() const override { return 4 * kGroupFrames; }
  void encodeFrames(const uint8_t* data, size_t history, size_t n, std::vector<std::vector<uint8_t>>& blocks) override {
    size_t frames = (n + kFrameSize - 1) / kFrameSize;
    size_t groups = (frames + kGroupFrames - 1) / kGroupFrames;
    blocks.assign(frames, {});
    std::atomic<size_t> next{0};
    auto work = [&](size_t w, std::exception_ptr& error) {
      try {
        std::vector<std::vector<uint8_t>> group;
        for (size_t g; (g = next.fetch_add(1)) < groups;) {
          size_t first = g * kGroupFrames;
          size_t at = history + first * kFrameSize;
          workers_[w]->encodeFramesAfter(data + at, at, std::min(kGroupFrames * kFrameSize, history + n - at), group);
          for (size_t i = 0; i < group.size(); i++) blocks[first + i] = std::move(group[i]);
        }
      } catch (...) {
        error = std::current_exception();
      }
    };
    size_t used = std::min(workers_.size(), groups);
    std::vector<std::exception_ptr> errors(used);
    std::vector<std::thread> threads;
    for (size_t w = 1; w < used; w++) threads.emplace_back(work, w, std::ref(errors[w]));
    if (used) work(0, errors[0]);
    for (auto& t : threads) t.join();
    for (auto& e : errors)
      if (e) std::rethrow_exception(e);
  }

 private:
  std::vector<std::unique_ptr<codecs::MszipEncoder>> workers_;
};

}  // namespace

std::unique_ptr<BlockEncoder> makeEncoder(uint16_t typeCompress, int level, unsigned threads) {
  switch (methodOf(typeCompress)) {
    case Method::None: return std::make_unique<SequentialEncoder<StoredCodec>>(0);
    case Method::Mszip: return std::make_unique<ParallelMszipEncoder>(level, threads);
    case Method::Lzx: {
      int bits = lzxWindowBits(typeCompress);
      if (bits < codecs::kLzxMinWindowBits || bits > codecs::kLzxMaxWindowBits)
        fail(ErrorKind::Usage, "LZX window must be 15 to 21 bits");
      return std::make_unique<LzxBatchEncoder>(bits, threads);
    }
    default: break;
  }
  fail(ErrorKind::Usage, "cabinets can be written with None, MSZIP or LZX only");
}

}  // namespace fmt::cab
