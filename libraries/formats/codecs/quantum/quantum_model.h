// The adaptive frequency model of Quantum: symbols kept in a table ordered by
// how often they were seen, with cumulative frequencies that the arithmetic
// coder divides its range by.
#pragma once
#include <cstdint>

namespace fmt::codecs::quantum {

class Model {
 public:
  static constexpr int kMaxEntries = 64;

  void init(int entries, int firstSymbol);

  int entries() const { return entries_; }
  uint32_t total() const { return cum_[0]; }
  // cum(i) is the frequency of all entries after i; cum(entries()) == 0.
  uint32_t cum(int i) const { return cum_[i]; }
  int symbol(int i) const { return sym_[i]; }

  // Counts one occurrence of entry i.
  void update(int i);

 private:
  void rescale();

  int entries_ = 0;
  int timeToReorder_ = 4;
  uint16_t cum_[kMaxEntries + 1] = {};
  uint16_t sym_[kMaxEntries + 1] = {};
};

}  // namespace fmt::codecs::quantum
