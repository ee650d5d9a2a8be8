// TokenScan against a plain search, forwards and backwards: ids found in and across blocks of 16,
// duplicates, the empty set, sets past the exact limit, and every position.
#include <algorithm>
#include <random>
#include <vector>

#include "check.hpp"
#include "engine/token_scan.hpp"

using tide::TokenId;
using tide::TokenScan;

namespace {

std::vector<TokenId> distinct(std::vector<TokenId> ids) {
  std::sort(ids.begin(), ids.end());
  ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
  return ids;
}

// The first p >= from whose token is in `ids`, or the length.
size_t plain_next(const std::vector<TokenId>& tokens, const std::vector<TokenId>& ids, size_t from) {
  for (size_t p = from; p < tokens.size(); ++p)
    if (std::find(ids.begin(), ids.end(), tokens[p]) != ids.end()) return p;
  return tokens.size();
}

// One past the last p in [from, to) whose token is in `ids`, or from.
size_t plain_last(const std::vector<TokenId>& tokens, const std::vector<TokenId>& ids, size_t from, size_t to) {
  for (size_t p = to; p > from; --p)
    if (std::find(ids.begin(), ids.end(), tokens[p - 1]) != ids.end()) return p;
  return from;
}

}  // namespace

TEST(token_scan_equals_plain_search) {
  // Up to kMaxIds ids the scan finds exactly the first position holding
  // one; past that it may stop earlier, but never after it, and it still
  // passes over most positions.
  std::mt19937 rng(5);
  auto below = [&](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng); };
  int mismatches = 0, large_sets = 0;
  size_t large_expected = 0, large_found = 0;
  for (int iter = 0; iter < 3000; ++iter) {
    const TokenId alphabet = static_cast<TokenId>(2 + below(60));
    std::vector<TokenId> tokens(below(80));
    for (TokenId& x : tokens) x = static_cast<TokenId>(below(alphabet));
    std::vector<TokenId> ids(below(20));
    for (TokenId& x : ids) x = static_cast<TokenId>(below(alphabet + 2));  // some never occur
    TokenScan scan;
    for (TokenId x : ids) scan.add(x);
    CHECK(scan.skips());
    const bool large = distinct(ids).size() > TokenScan::kMaxIds;
    large_sets += large;
    for (size_t from = 0; from <= tokens.size(); ++from) {
      const size_t got = scan.next(tokens.data(), from, tokens.size());
      const size_t expect = plain_next(tokens, ids, from);
      if (large ? !(from <= got && got <= expect) : got != expect) ++mismatches;
      if (large) {
        large_expected += expect - from;
        large_found += got - from;
      }
      // Backwards from every end, over a range starting at or before it.
      const size_t to = from, lo = below(to + 1);
      const size_t got_last = scan.last(tokens.data(), lo, to);
      const size_t expect_last = plain_last(tokens, ids, lo, to);
      if (large ? !(expect_last <= got_last && got_last <= to) : got_last != expect_last) ++mismatches;
    }
  }
  CHECK_EQ(mismatches, 0);
  CHECK(large_sets > 500);
  CHECK(large_found * 4 > large_expected * 3);  // the bitmap rarely stops early
}

TEST(token_scan_every_and_clear) {
  const std::vector<TokenId> tokens(40, 7);
  TokenScan scan;
  CHECK_EQ(scan.next(tokens.data(), 3, tokens.size()), tokens.size());  // empty set: nothing found
  scan.add(9);
  scan.add_every();
  CHECK(!scan.skips());
  CHECK_EQ(scan.next(tokens.data(), 3, tokens.size()), size_t{3});
  CHECK_EQ(scan.last(tokens.data(), 3, 9), size_t{9});
  scan.clear();
  scan.add(7);
  CHECK(scan.skips());
  CHECK_EQ(scan.next(tokens.data(), 17, tokens.size()), size_t{17});
  // An id in the last lane of a block, then one in the scalar tail.
  std::vector<TokenId> sparse(37, 0);
  sparse[31] = 4;
  sparse[35] = 5;
  scan.clear();
  scan.add(5);
  scan.add(4);
  CHECK_EQ(scan.next(sparse.data(), 0, sparse.size()), size_t{31});
  CHECK_EQ(scan.next(sparse.data(), 32, sparse.size()), size_t{35});
  CHECK_EQ(scan.next(sparse.data(), 36, sparse.size()), sparse.size());
  CHECK_EQ(scan.last(sparse.data(), 0, sparse.size()), size_t{36});
  CHECK_EQ(scan.last(sparse.data(), 0, 35), size_t{32});
  CHECK_EQ(scan.last(sparse.data(), 32, 35), size_t{32});
  CHECK_EQ(scan.last(sparse.data(), 0, 31), size_t{0});
  // Backwards, an id in the first block, which overlaps the one after it.
  std::vector<TokenId> early(40, 0);
  early[2] = 4;
  CHECK_EQ(scan.last(early.data(), 0, early.size()), size_t{3});
  // A set past the exact limit, cleared, is exact again and holds no old id.
  scan.clear();
  for (TokenId x = 100; x < 120; ++x) scan.add(x);
  scan.clear();
  scan.add(5);
  std::vector<TokenId> old_ids(40);
  for (size_t i = 0; i < old_ids.size(); ++i) old_ids[i] = static_cast<TokenId>(100 + i % 20);
  old_ids[38] = 5;
  CHECK_EQ(scan.next(old_ids.data(), 0, old_ids.size()), size_t{38});
}
