#include "codecs/lzx/lzx_near_ahead.h"

namespace fmt::codecs::lzx {

NearAhead::NearAhead(MatchFinder& finder, std::vector<std::pair<size_t, size_t>> frames)
    : finder_(finder), frames_(std::move(frames)), thread_([this] { run(); }) {}

NearAhead::~NearAhead() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void NearAhead::run() {
  try {
    for (size_t k = 0; k < frames_.size(); ++k) {
      {
        // A slot is filled again once the frame it held was taken.
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return stop_ || k < taken_ + 2; });
        if (stop_) return;
      }
      Slot& s = slots_[k % 2];
      finder_.findNear(frames_[k].first, frames_[k].second, s.matches, s.first);
      {
        std::lock_guard<std::mutex> lock(mutex_);
        done_ = k + 1;
      }
      changed_.notify_all();
    }
  } catch (...) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      error_ = std::current_exception();
    }
    changed_.notify_all();
  }
}

void NearAhead::take(size_t k, std::vector<Match>& matches, std::vector<uint32_t>& first) {
  {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return done_ > k || error_; });
    if (done_ <= k) std::rethrow_exception(error_);
    matches.swap(slots_[k % 2].matches);
    first.swap(slots_[k % 2].first);
    taken_ = k + 1;
  }
  changed_.notify_all();
}

}  // namespace fmt::codecs::lzx
