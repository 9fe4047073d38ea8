// The near trees of a run of frames searched on a second thread, up to two
// frames ahead of the caller, which meanwhile searches the far table and
// parses. The trees and the far table are apart, so the two threads share only
// the bytes, which stay put over the run (see MatchFinder::maxRun).
#pragma once
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "codecs/lzx/lzx_match_finder.h"

namespace fmt::codecs::lzx {

class NearAhead {
 public:
  // frames: [from, to) in the finder's data, in order.
  NearAhead(MatchFinder& finder, std::vector<std::pair<size_t, size_t>> frames);
  ~NearAhead();
  NearAhead(const NearAhead&) = delete;
  NearAhead& operator=(const NearAhead&) = delete;

  // Waits for frame k's near matches (k = 0, 1, ... in turn) and swaps them
  // into the vectors given; rethrows what the search threw.
  void take(size_t k, std::vector<Match>& matches, std::vector<uint32_t>& first);

 private:
  void run();

  struct Slot {
    std::vector<Match> matches;
    std::vector<uint32_t> first;
  };
  MatchFinder& finder_;
  const std::vector<std::pair<size_t, size_t>> frames_;
  Slot slots_[2];
  std::mutex mutex_;
  std::condition_variable changed_;
  size_t done_ = 0, taken_ = 0;
  bool stop_ = false;
  std::exception_ptr error_;
  std::thread thread_;
};

}  // namespace fmt::codecs::lzx
