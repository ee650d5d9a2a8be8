// TokenScan against a plain search: ids found in and across blocks of 16,
// duplicates, the empty set, and a set that grew past its limit.
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

// The first p >= from whose token is in `ids` (every p past the limit).
size_t plain_next(const std::vector<TokenId>& tokens, const std::vector<TokenId>& ids, size_t from) {
  const std::vector<TokenId> set = distinct(ids);
  if (set.size() > TokenScan::kMaxIds) return from;
  for (size_t p = from; p < tokens.size(); ++p)
    if (std::binary_search(set.begin(), set.end(), tokens[p])) return p;
  return tokens.size();
}

}  // namespace

TEST(token_scan_equals_plain_search) {
  std::mt19937 rng(5);
  auto below = [&](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng); };
  int mismatches = 0;
  for (int iter = 0; iter < 3000; ++iter) {
    const TokenId alphabet = static_cast<TokenId>(2 + below(40));
    std::vector<TokenId> tokens(below(80));
    for (TokenId& x : tokens) x = static_cast<TokenId>(below(alphabet));
    std::vector<TokenId> ids(below(12));
    for (TokenId& x : ids) x = static_cast<TokenId>(below(alphabet + 2));  // some never occur
    TokenScan scan;
    for (TokenId x : ids) scan.add(x);
    CHECK_EQ(scan.skips(), distinct(ids).size() <= TokenScan::kMaxIds);
    for (size_t from = 0; from <= tokens.size(); ++from)
      if (scan.next(tokens.data(), from, tokens.size()) != plain_next(tokens, ids, from)) ++mismatches;
  }
  CHECK_EQ(mismatches, 0);
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
}
