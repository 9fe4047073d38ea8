#include "codecs/bzip2/bzip2_bwt_sort.h"

#include <algorithm>
#include <array>
#include <utility>

namespace fmt::codecs::bz2 {
namespace {

// Key loads the quicksort may spend per byte of block before the block goes to
// prefix doubling; ordinary text and binaries stay well below it.
constexpr uint64_t kWorkPerByte = 64;
constexpr uint32_t kInsertionLimit = 16;

}  // namespace

uint32_t RotationSorter::sort(const uint8_t* block, uint32_t n, uint32_t* order) {
  usedDoubling_ = false;
  if (n == 0) return 0;
  text_.resize(static_cast<size_t>(n) + kMaxDepth + 16);
  for (size_t i = 0; i < text_.size(); i++) text_[i] = block[i % n];

  order_ = order;
  if (!sortByBuckets(n, order)) {
    usedDoubling_ = true;
    sortByDoubling(n, order);
  }
  for (uint32_t i = 0; i < n; i++)
    if (order[i] == 0) return i;
  return 0;
}

bool RotationSorter::sortByBuckets(uint32_t n, uint32_t* order) {
  const uint8_t* t = text_.data();
  bucketStart_.assign(65537, 0);
  uint32_t* start = bucketStart_.data();
  for (uint32_t i = 0; i < n; i++) start[(t[i] << 8 | t[i + 1]) + 1]++;
  for (int b = 0; b < 65536; b++) {
    if (start[b + 1] == n) {  // one byte value throughout: every rotation is equal
      for (uint32_t i = 0; i < n; i++) order[i] = i;
      return true;
    }
    start[b + 1] += start[b];
  }
  // Ties are carried through the bucket copying below, which is exact unless a
  // run of one byte value reaches the tie depth; such rare blocks go the other way.
  // Half the depth suffices since a run may wrap around the end of the block.
  for (uint32_t i = 0, run = 1; i + 1 < n; i++) {
    run = t[i] == t[i + 1] ? run + 1 : 1;
    if (run >= kMaxDepth / 2) return false;
  }
  {
    std::vector<uint32_t> fill(start, start + 65536);
    for (uint32_t i = 0; i < n; i++) order[fill[t[i] << 8 | t[i + 1]]++] = i;
  }

  work_ = 0;
  budget_ = static_cast<uint64_t>(n) * kWorkPerByte + 100000;
  depthLimit_ = kMaxDepth;
  tiedToNext_.assign(n, 0);
  std::array<uint32_t, 256> byOrder;
  for (int c = 0; c < 256; c++) byOrder[c] = static_cast<uint32_t>(c);
  // Smaller first-byte groups first: their sorted order then fills in more of the big ones.
  std::sort(byOrder.begin(), byOrder.end(), [&](uint32_t a, uint32_t b) {
    return start[(a + 1) << 8] - start[a << 8] < start[(b + 1) << 8] - start[b << 8];
  });
  std::vector<bool> bucketSorted(65536, false);
  std::array<bool, 256> groupDone{};
  uint32_t copyStart[256], copyEnd[256];

  try {
    for (uint32_t c : byOrder) {
      for (uint32_t x = 0; x < 256; x++) {
        uint32_t b = c << 8 | x;
        if (x == c || bucketSorted[b]) continue;
        quicksort(order + start[b], start[b + 1] - start[b], 2);
        bucketSorted[b] = true;
      }
      // All rotations starting with c are now in order except those starting "cc".
      // Walking them in order, each one's predecessor (one byte earlier) is the next
      // in its bucket "yc": that orders every "yc" bucket, "cc" included, from both ends.
      for (uint32_t y = 0; y < 256; y++) {
        copyStart[y] = start[y << 8 | c];
        copyEnd[y] = start[(y << 8 | c) + 1];
      }
      // A predecessor is tied to the one placed before it in its bucket when
      // their successors are in one tied group (named by its first row going
      // forward, by its last row going backward).
      uint8_t* tie = tiedToNext_.data();
      uint32_t lastGroup[256];
      std::fill(lastGroup, lastGroup + 256, UINT32_MAX);
      uint32_t group = 0;
      for (uint32_t k = start[c << 8]; k < copyStart[c]; k++) {
        if (k == 0 || !tie[k - 1]) group = k;
        uint32_t p = order[k] == 0 ? n - 1 : order[k] - 1;
        uint8_t y = t[p];
        if (groupDone[y]) continue;
        uint32_t q = copyStart[y]++;
        order[q] = p;
        if (lastGroup[y] == group) tie[q - 1] = 1;
        lastGroup[y] = group;
      }
      std::fill(lastGroup, lastGroup + 256, UINT32_MAX);
      for (uint32_t k = start[(c + 1) << 8]; k > copyEnd[c]; k--) {
        if (!tie[k - 1]) group = k - 1;
        uint32_t p = order[k - 1] == 0 ? n - 1 : order[k - 1] - 1;
        uint8_t y = t[p];
        if (groupDone[y]) continue;
        uint32_t q = --copyEnd[y];
        order[q] = p;
        if (lastGroup[y] == group) tie[q] = 1;
        lastGroup[y] = group;
      }
      for (uint32_t y = 0; y < 256; y++) bucketSorted[y << 8 | c] = true;
      groupDone[c] = true;
    }
  } catch (const OutOfBudget&) {
    return false;
  }
  resolveTies(n, order, kMaxDepth);
  return true;
}

void RotationSorter::quicksort(uint32_t* a0, uint32_t count0, uint32_t depth0) {
  stack_.clear();
  stack_.push_back({a0, count0, depth0});
  while (!stack_.empty()) {
    Range r = stack_.back();
    stack_.pop_back();
    uint32_t* a = r.a;
    uint32_t count = r.count;
    uint32_t depth = r.depth;
    if (count < 2) continue;
    if (depth >= depthLimit_) {
      tieGroup(a, count);
      continue;
    }
    if (count <= kInsertionLimit) {
      insertionSort(a, count, depth);
      continue;
    }
    work_ += count;
    if (work_ > budget_) throw OutOfBudget();

    uint64_t k0 = key(a[0], depth), k1 = key(a[count / 2], depth), k2 = key(a[count - 1], depth);
    uint64_t pivot = std::max(std::min(k0, k1), std::min(std::max(k0, k1), k2));
    uint32_t lt = 0, i = 0, gt = count;
    while (i < gt) {
      uint64_t k = key(a[i], depth);
      if (k < pivot) {
        std::swap(a[lt++], a[i++]);
      } else if (k > pivot) {
        std::swap(a[i], a[--gt]);
      } else {
        i++;
      }
    }
    stack_.push_back({a, lt, depth});
    stack_.push_back({a + gt, count - gt, depth});
    stack_.push_back({a + lt, gt - lt, depth + 8});
  }
}

// Compares from `depth` up to the depth limit: -1, 1, or 0 when still tied there.
int RotationSorter::compare(uint32_t x, uint32_t y, uint32_t depth) {
  for (uint32_t d = depth; d < depthLimit_; d += 8) {
    uint64_t kx = key(x, d), ky = key(y, d);
    ++work_;
    if (kx != ky) return kx < ky ? -1 : 1;
  }
  return 0;
}

void RotationSorter::insertionSort(uint32_t* a, uint32_t count, uint32_t depth) {
  bool tied = false;
  for (uint32_t i = 1; i < count; i++) {
    uint32_t v = a[i];
    uint32_t j = i;
    for (; j > 0; j--) {
      int c = compare(v, a[j - 1], depth);
      if (c == 0) tied = true;
      if (c >= 0) break;
      a[j] = a[j - 1];
    }
    a[j] = v;
  }
  if (work_ > budget_) throw OutOfBudget();
  if (!tied) return;
  for (uint32_t i = 0; i < count;) {  // tied neighbours form groups left to prefix doubling
    uint32_t e = i + 1;
    while (e < count && compare(a[e - 1], a[e], depth) == 0) e++;
    if (e - i > 1) tieGroup(a + i, e - i);
    i = e;
  }
}

void RotationSorter::tieGroup(uint32_t* a, uint32_t count) {
  auto lo = static_cast<size_t>(a - order_);
  std::fill(tiedToNext_.begin() + lo, tiedToNext_.begin() + lo + count - 1, 1);
}

// Blocks the bucket sort gave up on: every bucket sorted to kShallowDepth bytes
// only, the rest left to prefix doubling.
void RotationSorter::sortByDoubling(uint32_t n, uint32_t* order) {
  const uint8_t* t = text_.data();
  const uint32_t* start = bucketStart_.data();  // still the 2-byte bucket bounds
  {
    std::vector<uint32_t> fill(start, start + 65536);
    for (uint32_t i = 0; i < n; i++) order[fill[t[i] << 8 | t[i + 1]]++] = i;
  }
  depthLimit_ = kShallowDepth;
  budget_ = UINT64_MAX;
  tiedToNext_.assign(n, 0);
  for (uint32_t b = 0; b < 65536; b++) quicksort(order + start[b], start[b + 1] - start[b], 2);
  resolveTies(n, order, kShallowDepth);
}

// Sorts pairs_ (key << 32 | row) by key, all keys within [kmin, kmax]. Big groups
// are what periodic data leaves to every doubling round, so they are radix sorted.
void RotationSorter::sortPairs(uint32_t kmin, uint32_t kmax) {
  size_t m = pairs_.size();
  if (m < 512) {
    std::sort(pairs_.begin(), pairs_.end());
    return;
  }
  constexpr int kBits = 11;
  uint32_t span = kmax - kmin;
  pairsTmp_.resize(m);
  for (int shift = 0; shift == 0 || (span >> shift) != 0; shift += kBits) {
    uint32_t count[(1 << kBits) + 1] = {};
    auto digit = [&](uint64_t v) { return ((static_cast<uint32_t>(v >> 32) - kmin) >> shift) & ((1u << kBits) - 1); };
    for (uint64_t v : pairs_) count[digit(v) + 1]++;
    for (int d = 0; d < (1 << kBits); d++) count[d + 1] += count[d];
    for (uint64_t v : pairs_) pairsTmp_[count[digit(v)]++] = v;
    pairs_.swap(pairsTmp_);
  }
}

// Prefix doubling over the tied groups, whose members agree on at least their first
// h bytes: they are ordered by the rank of the rotation h bytes further on. A
// group's rank is the row of its last member, so ranks keep the groups' order.
void RotationSorter::resolveTies(uint32_t n, uint32_t* order, uint32_t h) {
  std::vector<std::pair<uint32_t, uint32_t>> groups, next;
  const uint8_t* tie = tiedToNext_.data();
  for (uint32_t k = 0; k < n;) {
    uint32_t e = k;
    while (e + 1 < n && tie[e]) e++;
    if (e > k) groups.emplace_back(k, e + 1);
    k = e + 1;
  }
  if (groups.empty()) return;
  rank_.resize(n);
  for (uint32_t k = 0; k < n; k++) rank_[order[k]] = k;
  for (auto [lo, hi] : groups)
    for (uint32_t j = lo; j < hi; j++) rank_[order[j]] = hi - 1;
  for (; !groups.empty() && h < n; h *= 2) {
    next.clear();
    for (auto [lo, hi] : groups) {
      pairs_.resize(hi - lo);
      uint32_t kmin = UINT32_MAX, kmax = 0;
      for (uint32_t j = lo; j < hi; j++) {
        uint64_t p = (static_cast<uint64_t>(order[j]) + h) % n;
        uint32_t k = rank_[p];
        kmin = std::min(kmin, k);
        kmax = std::max(kmax, k);
        pairs_[j - lo] = static_cast<uint64_t>(k) << 32 | order[j];
      }
      if (kmin == kmax) {  // nothing told apart yet
        next.emplace_back(lo, hi);
        continue;
      }
      sortPairs(kmin, kmax);
      for (uint32_t j = lo; j < hi; j++) order[j] = static_cast<uint32_t>(pairs_[j - lo]);
      for (uint32_t s = lo; s < hi;) {
        uint32_t e = s + 1;
        while (e < hi && (pairs_[e - lo] >> 32) == (pairs_[s - lo] >> 32)) e++;
        for (uint32_t j = s; j < e; j++) rank_[order[j]] = e - 1;
        if (e - s > 1) next.emplace_back(s, e);
        s = e;
      }
    }
    groups.swap(next);
  }
}

}  // namespace fmt::codecs::bz2
