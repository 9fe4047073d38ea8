// The binary-tree match finder as each encoder runs it: the deflate encoder's
// (pieces of one span, matches running on to the span's end), the LZX
// encoder's (frames appended to a sliding window, matches ending with the
// frame) and the LH encoder's (one range, walks ending at the nice length).
// Every match reported must be real and within reach, and with the search
// unbounded the longest must be found, or one of the nice length.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <utility>

#include "codecs/deflate/deflate_encoder_match_finder.h"
#include "codecs/lh/lh_match_finder.h"
#include "codecs/lzx/lzx.h"
#include "codecs/lzx/lzx_match_finder.h"
#include "test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;
using testsupport::randomBytes;
using testsupport::textBytes;

constexpr int kUnbounded = 1 << 30;

struct Found {
  uint32_t length, distance;
};

// What a finder reported, by position of the input.
struct Search {
  explicit Search(size_t n) : at(n), stop(n), call(n, -1) {}
  std::vector<std::vector<Found>> at;
  std::vector<size_t> stop;  // how far the position's matches may run
  std::vector<int> call;     // the findAll that searched it, -1 for none
};

uint32_t distanceOf(const fmt::codecs::deflate::Match& m) { return m.dist; }
uint32_t distanceOf(const fmt::codecs::lzx::Match& m) { return m.distance; }
uint32_t distanceOf(const fmt::codecs::LhMatch& m) { return m.dist; }

// Files one findAll's lists, of buffer positions [from, to), under the input
// positions from `origin` on.
template <typename M>
void collect(const std::vector<M>& matches, const std::vector<uint32_t>& first, size_t from, size_t to,
             size_t origin, size_t stop, int call, Search& s) {
  ASSERT_EQ(first.size(), to - from + 1);
  for (size_t p = from; p < to; ++p) {
    const size_t q = origin + p - from;
    for (uint32_t m = first[p - from]; m < first[p - from + 1]; ++m)
      s.at[q].push_back({matches[m].length, distanceOf(matches[m])});
    s.stop[q] = stop;
    s.call[q] = call;
  }
}

struct DeflateFeed {
  static constexpr uint32_t kMaxMatch = 258;
  static constexpr uint32_t kMaxDistance = 32768;
  static constexpr bool kGaps = true;
  // Pieces of 32 KB of one span; with `gap`, the second piece is left for the
  // next call to enter as history, as when a text piece takes the chain parse.
  static Search search(const Bytes& data, int depth, uint32_t nice, bool gap = false, bool = false) {
    fmt::codecs::deflate::MatchFinder f(depth, depth, nice);
    f.reset(data.data(), data.size());
    Search s(data.size());
    std::vector<fmt::codecs::deflate::Match> matches;
    std::vector<uint32_t> first;
    int call = 0;
    for (size_t at = 0; at < data.size(); at += 32768, ++call) {
      if (gap && call == 1) continue;
      const size_t end = std::min(data.size(), at + 32768);
      f.findAll(at, end, matches, first);
      collect(matches, first, at, end, at, data.size(), call, s);
    }
    return s;
  }
};

struct LzxFeed {
  static constexpr uint32_t kMaxMatch = 257;
  static constexpr uint32_t kMaxDistance = (1u << 15) - 3;
  static constexpr bool kGaps = false;
  // Frames of the 2^15 window; the trees alone (lzx_match_finder_test.cpp
  // checks them with the far table, across the buffer's slides).
  // With `unskipped`, text frames enter the positions a nice match covers.
  static Search search(const Bytes& data, int depth, uint32_t nice, bool = false, bool unskipped = false) {
    fmt::codecs::lzx::MatchFinder f(15, depth, static_cast<int>(nice), !unskipped);
    Search s(data.size());
    std::vector<fmt::codecs::lzx::Match> matches;
    std::vector<uint32_t> first;
    int call = 0;
    for (size_t at = 0; at < data.size(); at += fmt::codecs::kLzxFrameSize, ++call) {
      const size_t n = std::min(fmt::codecs::kLzxFrameSize, data.size() - at);
      const size_t start = f.append(data.data() + at, n);
      f.findNear(start, start + n, matches, first);
      collect(matches, first, start, start + n, at, at + n, call, s);
    }
    return s;
  }
};

struct LhFeed {
  static constexpr uint32_t kMaxMatch = 256;
  static constexpr uint32_t kMaxDistance = 1u << 16;  // -lh7-
  static constexpr bool kGaps = false;
  // Pieces of 16 KB of one range, as the LH encoder searches them.
  static Search search(const Bytes& data, int depth, uint32_t nice, bool = false, bool = false) {
    fmt::codecs::LhMatchFinder f(0, 0, kMaxDistance);
    f.setLimits(depth, nice);
    f.setData(data.data());
    f.clear();
    Search s(data.size());
    std::vector<fmt::codecs::LhMatch> matches;
    std::vector<uint32_t> first;
    int call = 0;
    for (size_t at = 0; at < data.size(); at += 16384, ++call) {
      const size_t end = std::min(data.size(), at + 16384);
      f.findAll(at, end, data.size(), matches, first);
      collect(matches, first, at, end, at, data.size(), call, s);
    }
    return s;
  }
};

template <typename Feed>
class BtMatchFinder : public ::testing::Test {};
using Feeds = ::testing::Types<DeflateFeed, LzxFeed, LhFeed>;
TYPED_TEST_SUITE(BtMatchFinder, Feeds);

size_t commonLength(const Bytes& d, size_t a, size_t b, size_t max) {
  size_t n = 0;
  while (n < max && d[a + n] == d[b + n]) ++n;
  return n;
}

// Every match is real: the bytes agree for its length at its distance, within
// reach and the stop; lengths increase; a match of `nice` leaves the positions
// it covers (in the same call) without matches. Returns the matches checked.
template <typename Feed>
size_t expectReal(const Bytes& data, const Search& s, uint32_t nice, const char* what) {
  size_t skipUntil = 0, checked = 0;
  int skipCall = -1;
  for (size_t p = 0; p < data.size(); ++p) {
    const auto& list = s.at[p];
    auto fault = [&](const char* why, const Found* m = nullptr) {
      ADD_FAILURE() << what << ": " << why << " at " << p
                    << (m ? testing::Message() << ", length " << m->length << ", distance " << m->distance
                          : testing::Message());
      return checked;
    };
    const bool covered = p < skipUntil && s.call[p] == skipCall;
    if (s.call[p] < 0 || covered) {
      if (!list.empty()) return fault(covered ? "matches inside a nice one" : "matches where nothing was searched");
      continue;
    }
    const size_t room = std::min<size_t>(Feed::kMaxMatch, s.stop[p] - p);
    const size_t reach = std::min<size_t>(p, Feed::kMaxDistance);
    uint32_t shorter = 2;
    for (const Found& m : list) {
      if (m.length <= shorter) return fault("lengths not increasing", &m);
      if (m.length > room) return fault("runs past the stop", &m);
      if (m.distance < 1 || m.distance > reach) return fault("out of reach", &m);
      if (commonLength(data, p - m.distance, p, m.length) != m.length) return fault("bytes differ", &m);
      shorter = m.length;
      ++checked;
    }
    if (!list.empty() && list.back().length >= nice) {
      skipUntil = p + list.back().length;
      skipCall = s.call[p];
    }
  }
  return checked;
}

// Long runs, a short period across frame and piece ends, copies of earlier
// stretches with a byte changed, text and noise.
Bytes awkward(size_t n, uint32_t seed) {
  std::mt19937 g(seed);
  const Bytes text = textBytes(n, seed), noise = randomBytes(n, seed + 1);
  Bytes v;
  while (v.size() < n) {
    const size_t len = 1 + g() % 5000;
    switch (g() % 5) {
      case 0: v.insert(v.end(), len, static_cast<uint8_t>(g() % 3)); break;
      case 1: for (size_t k = 0; k < len; ++k) v.push_back("abc"[k % 3]); break;
      case 2:
        if (v.size() > 40000) {
          const size_t from = v.size() - 1 - g() % 40000;
          for (size_t k = 0; k < len; ++k) v.push_back(v[from + k]);
          v.back() ^= 1;
        }
        break;
      case 3: {
        const auto at = text.begin() + static_cast<std::ptrdiff_t>(g() % (n - len));
        v.insert(v.end(), at, at + static_cast<std::ptrdiff_t>(len));
        break;
      }
      default: v.insert(v.end(), noise.begin(), noise.begin() + static_cast<std::ptrdiff_t>(len % 700)); break;
    }
  }
  v.resize(n);
  return v;
}

// Random over two letters: deep trees with long common prefixes, so the nodes
// a frame's end leaves out of order are met often.
Bytes twoLetters(size_t n, uint32_t seed) {
  std::mt19937 g(seed);
  Bytes v(n);
  for (uint8_t& c : v) c = static_cast<uint8_t>('a' + g() % 2);
  return v;
}

TYPED_TEST(BtMatchFinder, EveryMatchIsRealAndWithinReach) {
  using Feed = TypeParam;
  struct Shape {
    const char* name;
    Bytes data;
    size_t fewest;  // matches below this would make the check mean little
  };
  const Shape shapes[] = {{"awkward", awkward(300000, 3), 10000},
                          {"text", textBytes(200000, 5), 10000},
                          {"two letters", twoLetters(200000, 7), 10000},
                          {"zeros", Bytes(100000, 0), 200},  // a nice match covers the next 257
                          {"random", randomBytes(70000, 9), 20}};  // 3 and 4 bytes at best
  // Bounded as the encoders run it, and unbounded.
  const std::pair<int, uint32_t> limits[] = {{16, 32}, {kUnbounded, Feed::kMaxMatch}};
  for (const Shape& shape : shapes) {
    for (auto [depth, nice] : limits) {
      for (bool gap : {false, true}) {
        if (gap && !Feed::kGaps) continue;
        SCOPED_TRACE(testing::Message() << "depth " << depth << ", nice " << nice << (gap ? ", a gap" : ""));
        EXPECT_GE(expectReal<Feed>(shape.data, Feed::search(shape.data, depth, nice, gap), nice, shape.name),
                  shape.fewest)
            << shape.name;
      }
    }
  }
}

// One call over a frame's worth of input with a small alphabet (many matches
// of every length) and repeats: with no bound on the search, each searched
// position's longest match of four bytes or more is found.
// (The LZX feed enters every position: the letters look like text, where
// it would leave out those a nice match covers.)
TYPED_TEST(BtMatchFinder, FindsTheLongestMatchWhenUnbounded) {
  using Feed = TypeParam;
  std::mt19937 g(11);
  Bytes data;
  while (data.size() < 32000) {
    if (data.size() > 1000 && g() % 8 == 0) {
      const size_t from = g() % (data.size() - 300), len = 4 + g() % 300;
      for (size_t k = 0; k < len; ++k) data.push_back(data[from + k]);
    } else {
      for (int k = 0; k < 40; ++k) data.push_back(static_cast<uint8_t>('a' + g() % 4));
    }
  }
  data.resize(32000);
  const Search s = Feed::search(data, kUnbounded, Feed::kMaxMatch, false, true);
  EXPECT_GT(expectReal<Feed>(data, s, Feed::kMaxMatch, "small alphabet"), data.size());

  // Each position's longest match within reach, by exhaustive search.
  std::vector<size_t> longest(data.size(), 0);
  {
    std::map<uint32_t, std::vector<uint32_t>> byPrefix;  // earlier positions by their first three bytes
    for (size_t p = 0; p + 3 <= data.size(); ++p) {
      auto& earlier = byPrefix[data[p] | data[p + 1] << 8 | data[p + 2] << 16];
      const size_t room = std::min<size_t>(Feed::kMaxMatch, data.size() - p);
      for (uint32_t q : earlier)
        if (p - q <= Feed::kMaxDistance) longest[p] = std::max(longest[p], commonLength(data, q, p, room));
      earlier.push_back(static_cast<uint32_t>(p));
    }
  }
  // Positions a found match of `nice` or more covers were not searched.
  auto searched = [&](const Search& found, uint32_t nice, auto check) {
    size_t skipUntil = 0;
    for (size_t p = 0; p < data.size(); ++p) {
      const uint32_t length = found.at[p].empty() ? 0 : found.at[p].back().length;
      if (p >= skipUntil) check(p, length);
      if (length >= nice) skipUntil = p + length;
    }
  };
  size_t compared = 0;
  searched(s, Feed::kMaxMatch, [&](size_t p, uint32_t length) {
    if (longest[p] < 4) return;
    EXPECT_EQ(length, longest[p]) << "at " << p;
    ++compared;
  });
  EXPECT_GT(compared, data.size() / 2);

  // With a nice length, walks may end at the first match that long (the trees
  // are then in order only that far): a searched position still gets a match
  // of at least the nice length wherever one exists.
  constexpr uint32_t kNice = 24;
  const Search bounded = Feed::search(data, kUnbounded, kNice, false, true);
  EXPECT_GT(expectReal<Feed>(data, bounded, kNice, "small alphabet, nice 24"), data.size() / 4);
  size_t nice = 0;
  searched(bounded, kNice, [&](size_t p, uint32_t length) {
    if (longest[p] < kNice) return;
    EXPECT_GE(length, kNice) << "at " << p << ", longest " << longest[p];
    ++nice;
  });
  EXPECT_GT(nice, 40u);
}

// A copy at exactly the farthest distance is found whole, one a byte farther
// is out of reach: both by the 3-byte table and, where a nearer position
// starting with the same three bytes takes the table's slot, by the trees.
TYPED_TEST(BtMatchFinder, ReachesTheFarthestDistanceAndNoFarther) {
  using Feed = TypeParam;
  Bytes data = randomBytes(Feed::kMaxDistance + 6000, 21);
  struct Copy {
    size_t from, to;
    bool decoy;
  };
  const Copy copies[] = {{1000, 1000 + Feed::kMaxDistance, false}, {2000, 2000 + Feed::kMaxDistance, true},
                         {3000, 3000 + Feed::kMaxDistance + 1, false}, {4000, 4000 + Feed::kMaxDistance + 1, true}};
  auto at = [&](size_t p) { return data.begin() + static_cast<std::ptrdiff_t>(p); };
  for (const Copy& c : copies) {
    std::copy(at(c.from), at(c.from + 300), at(c.to));
    data[c.to - 1] = static_cast<uint8_t>(data[c.from - 1] + 1);
    if (c.decoy) {
      std::copy(at(c.from), at(c.from + 3), at(c.to - 100));
      data[c.to - 97] = static_cast<uint8_t>(data[c.from + 3] + 1);
    }
  }
  const Search s = Feed::search(data, 64, Feed::kMaxMatch);
  for (const Copy& c : copies) {
    SCOPED_TRACE(testing::Message() << "copy at " << c.to << (c.decoy ? " behind a decoy" : ""));
    if (c.to - c.from == Feed::kMaxDistance) {
      ASSERT_FALSE(s.at[c.to].empty());
      EXPECT_EQ(s.at[c.to].back().length, Feed::kMaxMatch);
      EXPECT_EQ(s.at[c.to].back().distance, Feed::kMaxDistance);
    } else {
      for (size_t p = c.to; p < c.to + 300; ++p)
        for (const Found& m : s.at[p]) EXPECT_LT(m.length, 16u) << "a match out of reach at " << p;
    }
  }
}

}  // namespace
