#include "codecs/quantum/quantum_model.h"

#include <utility>

namespace fmt::codecs::quantum {

namespace {
constexpr uint32_t kIncrement = 8;
constexpr uint32_t kRescaleAbove = 3800;
constexpr int kReorderEvery = 50;  // rescales between reorders after the first
}  // namespace

void Model::init(int entries, int firstSymbol) {
  entries_ = entries;
  timeToReorder_ = 4;
  for (int i = 0; i <= entries; ++i) {
    sym_[i] = static_cast<uint16_t>(firstSymbol + i);
    cum_[i] = static_cast<uint16_t>(entries - i);
  }
}

void Model::update(int i) {
  for (int j = 0; j <= i; ++j) cum_[j] = static_cast<uint16_t>(cum_[j] + kIncrement);
  if (cum_[0] > kRescaleAbove) rescale();
}

void Model::rescale() {
  if (--timeToReorder_ > 0) {
    // Halve, keeping every frequency at least 1.
    for (int i = entries_ - 1; i >= 0; --i) {
      cum_[i] = static_cast<uint16_t>(cum_[i] >> 1);
      if (cum_[i] <= cum_[i + 1]) cum_[i] = static_cast<uint16_t>(cum_[i + 1] + 1);
    }
    return;
  }
  // Every so often: halve the plain frequencies (rounding up) and move the
  // most frequent symbols to the front. The exchange order must be exactly
  // this one, as the encoder reorders the same way.
  timeToReorder_ = kReorderEvery;
  uint16_t freq[kMaxEntries];
  for (int i = 0; i < entries_; ++i) freq[i] = static_cast<uint16_t>((cum_[i] - cum_[i + 1] + 1) >> 1);
  for (int i = 0; i + 1 < entries_; ++i)
    for (int j = i + 1; j < entries_; ++j)
      if (freq[i] < freq[j]) {
        std::swap(freq[i], freq[j]);
        std::swap(sym_[i], sym_[j]);
      }
  for (int i = entries_ - 1; i >= 0; --i) cum_[i] = static_cast<uint16_t>(cum_[i + 1] + freq[i]);
}

}  // namespace fmt::codecs::quantum
