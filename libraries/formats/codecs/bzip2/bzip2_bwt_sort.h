// Sorting the cyclic rotations of a block for the Burrows-Wheeler transform.
// Normal data goes through 2-byte buckets and a multikey quicksort on 8-byte keys,
// sorting only about half the buckets and deriving the rest from them; when that
// runs too deep (long repeats) the block is sorted by prefix doubling instead,
// which is O(n log n) whatever the data.
#pragma once
#include <cstdint>
#include <utility>
#include <vector>

namespace fmt::codecs::bz2 {

class RotationSorter {
 public:
  // Writes to order[0..n) the start of each rotation of block[0..n) in sorted
  // order; equal rotations come in any order. Returns the row of rotation 0.
  uint32_t sort(const uint8_t* block, uint32_t n, uint32_t* order);

  // How the last block was sorted (for the tests and tuning).
  bool usedDoubling() const { return usedDoubling_; }

  // Depth in bytes to which the bucket sort compares; rotations still equal there
  // are told apart by prefix doubling.
  static constexpr uint32_t kMaxDepth = 1024;
  // The same when the bucket sort ran out of budget and the block is sorted again.
  static constexpr uint32_t kShallowDepth = 64;

 private:
  struct OutOfBudget {};

  bool sortByBuckets(uint32_t n, uint32_t* order);
  void quicksort(uint32_t* a, uint32_t count, uint32_t depth);
  void insertionSort(uint32_t* a, uint32_t count, uint32_t depth);
  int compare(uint32_t x, uint32_t y, uint32_t depth);
  void tieGroup(uint32_t* a, uint32_t count);
  void sortByDoubling(uint32_t n, uint32_t* order);
  void resolveTies(uint32_t n, uint32_t* order, uint32_t h);
  void sortPairs(uint32_t kmin, uint32_t kmax);

  uint64_t key(uint32_t pos, uint32_t depth) const {
    uint64_t v;
    __builtin_memcpy(&v, text_.data() + pos + depth, 8);
    return __builtin_bswap64(v);
  }

  std::vector<uint8_t> text_;  // the block followed by its own start again, for wrap-free keys
  std::vector<uint32_t> bucketStart_;
  std::vector<uint32_t> rank_;
  std::vector<uint64_t> pairs_, pairsTmp_;
  struct Range {
    uint32_t* a;
    uint32_t count;
    uint32_t depth;
  };
  std::vector<Range> stack_;
  uint32_t* order_ = nullptr;  // the output being sorted
  uint32_t depthLimit_ = kMaxDepth;
  std::vector<uint8_t> tiedToNext_;  // row k and row k+1 not yet told apart (equal to the depth limit)
  uint64_t work_ = 0;
  uint64_t budget_ = 0;
  bool usedDoubling_ = false;
};

}  // namespace fmt::codecs::bz2
