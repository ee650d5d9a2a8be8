#include <cmath>

#include "check.hpp"
#include "engine_helpers.hpp"
#include "intern/interner.hpp"
#include "refs/match_points.hpp"

using namespace engine_test;

namespace {

using Points = std::vector<std::pair<uint64_t, uint64_t>>;

Points points(const TokenRef& ref, const Stream& s) {
  CancelCheck cancel;
  auto r = match_points(ref, s.view(), cancel);
  Points out;
  if (r)
    for (const RefPoint& p : *r) out.emplace_back(p.start, p.end);
  return out;
}

TokenId id(const char* text) { return *global_interner().intern(text); }

}  // namespace

TEST(match_points_tokens_and_sets) {
  const TokenId a = id("mp-a"), b = id("mp-b"), x = id("mp-x");
  Stream s = stream({x, a, b, a}, {}, {1.0, 2.0, NAN, 4.0});
  CHECK((points({TokenRef::Single{"mp-a"}}, s) == Points{{1, 1}, {3, 3}}));
  CHECK((points({TokenRef::Set{{"mp-b", "mp-a", "mp-b"}}}, s) == Points{{1, 1}, {2, 2}, {3, 3}}));
  CHECK(points({TokenRef::Single{"mp-never-in-a-stream"}}, s).empty());
  CancelCheck cancel;
  auto with_values = match_points({TokenRef::Single{"mp-a"}}, s.view(), cancel);
  CHECK(with_values && (*with_values)[0].value == 2.0 && (*with_values)[0].time == 1.0);
  s.values.clear();
  auto without = match_points({TokenRef::Single{"mp-a"}}, s.view(), cancel);
  CHECK(without && std::isnan((*without)[0].value));
}

TEST(match_points_sequences_never_overlap) {
  Stream s = stream({A, A, A, B, A, B}, {5, 5, 5, 5, 6, 7});
  CHECK((points({TokenRef::Sequences{trie_of({{A, A}, {A, B}})}}, s) == Points{{0, 1}, {2, 3}}));
  CHECK((points({TokenRef::Sequences{trie_of({{A}})}}, s) == Points{{0, 0}, {1, 1}, {2, 2}, {4, 4}}));
}

TEST(match_points_pattern_keeps_the_shortest_per_start) {
  // [A, B] over A A B B: matches (0,2) (0,3) (1,2) (1,3) in search order.
  Stream s = stream({A, A, B, B});
  CHECK((points({TokenRef::Pattern{pattern({ev(A), ev(B)})}}, s) == Points{{0, 2}, {1, 2}}));
  // Unordered: B A A gives spans starting at 0 whose ends differ; sorted by (start, end).
  Stream t = stream({B, A, A});
  CHECK((points({TokenRef::Pattern{pattern({ev(A), ev(B)}, false)}}, t) == Points{{0, 1}}));
}

TEST(match_points_refuses_patterns_over_64_elements) {
  Stream s = stream({A});
  CancelCheck cancel;
  auto over = match_points({TokenRef::Pattern{pattern(std::vector<PatternElement>(65, ev(A)))}}, s.view(), cancel);
  CHECK(!over && over.error().message == "Pattern has 65 elements; maximum is 64");
  CHECK(match_points({TokenRef::Pattern{pattern(std::vector<PatternElement>(64, ev(A)))}}, s.view(), cancel));
}
