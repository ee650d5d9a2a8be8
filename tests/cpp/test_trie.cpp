// The sequence trie where the Python tests cannot steer it: NaN times, value
// constraints per edge, and which of two edges accepting a token decides.
#include "check.hpp"
#include "engine_helpers.hpp"
#include "intern/interner.hpp"
#include "intern/seq_trie.hpp"

using namespace engine_test;

TEST(trie_needs_adjacent_tokens_at_one_time) {
  Trie t = trie_of({{A, B}});
  CHECK(!t.match_at(stream({A, X, B}, {1, 1, 1}).view(), 0));
  CHECK(!t.match_at(stream({B, A}, {1, 1}).view(), 0));
  CHECK(!t.match_at(stream({A, B}, {NAN, NAN}).view(), 0));
}

TEST(trie_value_constraints_per_position) {
  Trie t = trie_of({{A, B}}, {{ValueConstraint::range(1, 2), ValueConstraint::any()}});
  CHECK(t.match_at(stream({A, B}, {0, 0}, {1.5, NAN}).view(), 0));
  CHECK(!t.match_at(stream({A, B}, {0, 0}, {3.0, NAN}).view(), 0));
  CHECK(!t.match_at(stream({A, B}, {0, 0}).view(), 0));

  Trie n = trie_of({{A}}, {{ValueConstraint::require_nan()}});
  CHECK(n.match_at(stream({A}, {0}, {NAN}).view(), 0));
  CHECK(n.match_at(stream({A}, {0}).view(), 0));
  CHECK(!n.match_at(stream({A}, {0}, {0.0}).view(), 0));
}

TEST(trie_edges_per_constraint_first_wins) {
  Trie t = trie_of({{A}, {A}}, {{ValueConstraint::any()}, {ValueConstraint::range(1, 2)}});
  CHECK_EQ(t.children.at(A).size(), size_t{2});
  CHECK(t.match_at(stream({A}, {0}, {5.0}).view(), 0));
  // Re-inserting an equal sequence with equal constraints changes nothing.
  t.insert_with_vals(std::vector<TokenId>{A}, std::vector<ValueConstraint>{ValueConstraint::range(1, 2)});
  CHECK_EQ(t.children.at(A).size(), size_t{2});
}

TEST(trie_greedy_per_edge_not_global) {
  // Two edges accept A: the first leads to [A] alone, the second to [A, B].
  // The first edge that leads to a match decides, so the length is 1.
  Trie t = trie_of({{A}, {A, B}}, {{ValueConstraint::any()}, {ValueConstraint::range(0, 9)}});
  CHECK_EQ(t.match_at(stream({A, B}, {0, 0}, {1.0, 1.0}).view(), 0), std::optional<size_t>(1));
}

TEST(build_seq_trie_stores_but_never_matches_empty_sequence) {
  auto t = build_seq_trie({{}, {"trie-test-a"}});
  CHECK(t.ok());
  CHECK(t->terminal);
  TokenId a = *global_interner().intern("trie-test-a");
  Stream s = stream({a + 1, a}, {0, 0});
  CHECK(!t->match_at(s.view(), 0));
  CHECK_EQ(t->match_at(s.view(), 1), std::optional<size_t>(1));
}
