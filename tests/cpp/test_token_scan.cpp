// TokenScan against a plain search: ids found in and across blocks of 16,
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
