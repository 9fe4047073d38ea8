// The rotation sort against plain comparison of rotations, on data that takes
// each of its paths: buckets with copying, tied groups, the fallback, tiny blocks.
#include <gtest/gtest.h>

#include <cstring>

#include "codecs/bzip2/bzip2_bwt_sort.h"
#include "test_support.h"

using fmt::codecs::bz2::RotationSorter;

namespace {

// Rotations as plain slices of the block written twice.
int compareRotations(const std::vector<uint8_t>& twice, uint32_t x, uint32_t y) {
  return std::memcmp(twice.data() + x, twice.data() + y, twice.size() / 2);
}

// Sorts and checks: a permutation, in order, the right start row. Returns whether
// the fallback was used.
bool sortAndCheck(const std::vector<uint8_t>& b, const std::string& what) {
  RotationSorter sorter;
  std::vector<uint32_t> order(b.size());
  uint32_t origPtr = sorter.sort(b.data(), static_cast<uint32_t>(b.size()), order.data());
  std::vector<bool> seen(b.size());
  for (uint32_t v : order) {
    EXPECT_LT(v, b.size()) << what;
    if (v >= b.size()) return false;
    EXPECT_FALSE(seen[v]) << what << ": rotation " << v << " twice";
    seen[v] = true;
  }
  if (!b.empty()) EXPECT_EQ(order[origPtr], 0u) << what;
  std::vector<uint8_t> twice(b);
  twice.insert(twice.end(), b.begin(), b.end());
  for (size_t k = 0; k + 1 < b.size(); k++) {
    if (compareRotations(twice, order[k], order[k + 1]) > 0) {
      ADD_FAILURE() << what << ": rows " << k << " and " << k + 1 << " out of order";
      break;
    }
  }
  return sorter.usedDoubling();
}

}  // namespace

TEST(Bzip2BwtSort, OrdinaryData) {
  sortAndCheck(testsupport::randomBytes(150000, 1), "random bytes");
  auto small = testsupport::randomBytes(150000, 2);
  for (auto& c : small) c &= 3;
  sortAndCheck(small, "four symbols");
  EXPECT_FALSE(sortAndCheck(testsupport::textBytes(200000, 3), "text"));
}

TEST(Bzip2BwtSort, TinyBlocks) {
  for (uint32_t n = 1; n <= 40; n++) {
    auto b = testsupport::randomBytes(n, n);
    for (auto& c : b) c &= 1;
    sortAndCheck(b, "tiny " + std::to_string(n));
  }
}

TEST(Bzip2BwtSort, RepeatsDeeperThanTheQuicksortGoes) {
  // Copies longer than kMaxDepth: ties carried through the bucket copying.
  auto piece = testsupport::textBytes(3 * RotationSorter::kMaxDepth, 4);
  std::vector<uint8_t> b = testsupport::textBytes(20000, 5);
  for (int i = 0; i < 4; i++) {
    b.insert(b.end(), piece.begin(), piece.end());
    auto gap = testsupport::textBytes(500, 6 + static_cast<uint32_t>(i));
    b.insert(b.end(), gap.begin(), gap.end());
  }
  EXPECT_FALSE(sortAndCheck(b, "long copies"));

  // Periodic blocks: equal rotations, any order among them is right.
  std::vector<uint8_t> period5(30000);
  for (size_t i = 0; i < period5.size(); i++) period5[i] = i % 5 == 4 ? 0xFB : 0;
  sortAndCheck(period5, "period 5");
  std::vector<uint8_t> almost(20000);
  for (size_t i = 0; i < almost.size(); i++) almost[i] = "abcabcabd"[i % 9];
  almost[7777] = 'z';
  sortAndCheck(almost, "period 9 with one change");
  sortAndCheck(std::vector<uint8_t>(1000, 7), "one value");
}

TEST(Bzip2BwtSort, LongRunsAndBigCopiesTakeTheFallback) {
  std::vector<uint8_t> run(5000, 7);
  run[100] = 9;
  run[4000] = 5;
  EXPECT_TRUE(sortAndCheck(run, "long run of one value"));

  // Many long copies exceed the quicksort's budget.
  auto piece = testsupport::textBytes(30000, 8);
  std::vector<uint8_t> b;
  for (int i = 0; i < 6; i++) b.insert(b.end(), piece.begin(), piece.end());
  b.push_back('!');
  EXPECT_TRUE(sortAndCheck(b, "six copies"));
}
