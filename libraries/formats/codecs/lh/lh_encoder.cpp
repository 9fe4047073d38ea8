#include "codecs/lh/lh_encoder.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <deque>
#include <future>
#include <memory>
#include <system_error>
#include <thread>
#include <vector>

#include "codecs/lh/lh_encoder_bits.h"
#include "codecs/lh/lh_encoder_optimal.h"

namespace fmt::codecs {
namespace {

// Input is cut into chunks, each primed with the window before it and ending
// its last block at its end; large inputs have their chunks encoded side by
// side and the streams joined in order. The output is the same on any number
// of cores. A chunk costs a block header and a fresh start of the prices:
// about 0.05% of its size on the corpora.
constexpr size_t kChunk = size_t{2} << 20;

struct ChunkResult {
  std::vector<uint8_t> bytes;
  uint64_t bits = 0;
};

ChunkResult encodeChunk(const std::vector<uint8_t>& data, size_t history, int windowBits,
                        const std::atomic<bool>& stop) {
  MemoryOutStream out;
  LhBitWriter bits(out, UINT64_MAX);
  lhEncodeRange(data.data(), history, data.size(), bits, windowBits,
                [&](uint64_t) { return !stop.load(std::memory_order_relaxed); });
  ChunkResult r;
  r.bits = bits.bitCount();
  bits.finish();
  r.bytes = std::move(out.data);
  return r;
}

LhEncodeResult encodeInChunks(InStream& in, uint64_t size, LhBitWriter& bits, int windowBits, unsigned workers,
                              const ProgressFn& progress) {
  const size_t window = size_t{1} << windowBits;
  std::atomic<bool> stop{false};
  std::deque<std::future<ChunkResult>> running;
  // Whatever ends the loop, no chunk may outlive `stop` and `running`.
  struct Joiner {
    std::atomic<bool>& stop;
    std::deque<std::future<ChunkResult>>& running;
    ~Joiner() {
      stop = true;
      for (auto& f : running)
        if (f.valid()) f.wait();
    }
  } joiner{stop, running};

  std::vector<uint8_t> tail;  // the window before the next chunk
  uint64_t read = 0, done = 0;
  auto collect = [&]() {
    ChunkResult r = running.front().get();
    running.pop_front();
    bits.append(r.bytes, r.bits);
    done += std::min<uint64_t>(kChunk, size - done);
    if (bits.overLimit()) return false;
    if (progress && !progress(done, size)) fail(ErrorKind::Cancelled, "cancelled");
    return true;
  };
  while (read < size) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(kChunk, size - read));
    auto data = std::make_shared<std::vector<uint8_t>>(tail.size() + n);
    std::copy(tail.begin(), tail.end(), data->begin());
    readExact(in, data->data() + tail.size(), n, "input");
    const size_t history = tail.size();
    tail.assign(data->end() - static_cast<std::ptrdiff_t>(std::min(window, data->size())), data->end());
    read += n;
    auto work = [data, history, windowBits, &stop] { return encodeChunk(*data, history, windowBits, stop); };
    std::future<ChunkResult> job;
    try {
      job = std::async(std::launch::async, work);
    } catch (const std::system_error&) {  // no thread to be had: the chunk is encoded when collected
      job = std::async(std::launch::deferred, work);
    }
    running.push_back(std::move(job));
    if (running.size() >= workers && !collect()) return {bits.size(), true};
  }
  while (!running.empty())
    if (!collect()) return {bits.size(), true};
  return {bits.size(), false};
}

// The chunks one after the other on this thread, with progress after each piece.
bool encodeInTurn(InStream& in, uint64_t size, LhBitWriter& bits, int windowBits, const ProgressFn& progress) {
  const size_t window = size_t{1} << windowBits;
  std::vector<uint8_t> data;
  size_t history = 0;
  for (uint64_t read = 0; read < size;) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(kChunk, size - read));
    data.resize(history + n);
    readExact(in, data.data() + history, n, "input");
    const uint64_t before = read;
    bool cancelled = false;
    const bool whole = lhEncodeRange(data.data(), history, data.size(), bits, windowBits, [&](uint64_t done) {
      cancelled = progress && !progress(before + done, size);
      return !cancelled;
    });
    if (cancelled) fail(ErrorKind::Cancelled, "cancelled");
    if (!whole) return false;
    read += n;
    const size_t keep = std::min(window, data.size());
    std::memmove(data.data(), data.data() + data.size() - keep, keep);
    history = keep;
  }
  return true;
}

}  // namespace

int lhWindowBits(int method) {
  switch (method) {
    case 5: return 13;
    case 6: return 15;
    case 7: return 16;
  }
  fail(ErrorKind::Usage, "no such LHA method: -lh" + std::to_string(method) + "-");
}

LhEncodeResult encodeLh(InStream& in, uint64_t size, OutStream& out, int method, uint64_t limit,
                        const ProgressFn& progress) {
  const int windowBits = lhWindowBits(method);
  LhBitWriter bits(out, limit);
  const unsigned workers = std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
  if (workers > 1 && size > 2 * kChunk) {
    if (encodeInChunks(in, size, bits, windowBits, workers, progress).abandoned) return {bits.size(), true};
  } else if (!encodeInTurn(in, size, bits, windowBits, progress)) {
    return {bits.size(), true};
  }
  bits.finish();
  return {bits.size(), bits.overLimit()};
}

}  // namespace fmt::codecs
