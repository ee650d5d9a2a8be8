// Pattern and midstream collectors.
#include "check.hpp"
#include "engine/collector_ops.hpp"
#include "engine_helpers.hpp"

using namespace engine_test;

namespace {

using Items = std::vector<CollectedItem>;

Pattern with_collector(Pattern p, CollectorStrategy c) {
  p.collector = c;
  return p;
}

Pattern general(Pattern p) {
  p.max_at = 1e300;
  return p;
}

MidstreamCollector midstream(std::vector<std::vector<TokenId>> seqs, uint64_t start_after, uint64_t stop_before,
                             CollectorStrategy c = CollectorStrategy::CollectTokens) {
  MidstreamCollector m;
  m.trie = trie_of(std::move(seqs));
  m.start_after_mask = start_after;
  m.stop_before_mask = stop_before;
  m.collector = c;
  return m;
}

}  // namespace

TEST(collector_update_rules) {
  using S = CollectorStrategy;
  CHECK(collector_update(S::None, 2.0, A, 1.0) == CollectorResult(NoResult{}));
  CHECK(collector_update(S::SumTimes, 2.0, A, 1.5) == CollectorResult(3.5));
  CHECK(collector_update(S::Count, uint64_t{2}, A, 1.5) == CollectorResult(uint64_t{3}));
  CHECK(collector_update(S::CollectTokens, std::vector<TokenId>{B}, A, 1.5) ==
        CollectorResult(std::vector<TokenId>{B, A}));
  CHECK(collector_update(S::CollectTimes, std::vector<double>{1}, A, 1.5) ==
        CollectorResult(std::vector<double>{1, 1.5}));
  CHECK(collector_update(S::CollectPairs, Items{}, A, 1.5) == CollectorResult(Items{{A, 1.5}}));
  // A result of another kind is copied unchanged.
  CHECK(collector_update(S::SumTimes, uint64_t{4}, A, 1.5) == CollectorResult(uint64_t{4}));
  CHECK(collector_update(S::CollectTokens, 2.0, A, 1.5) == CollectorResult(2.0));
  // The old result is not changed.
  CollectorResult old = std::vector<TokenId>{B};
  collector_update(S::CollectTokens, old, A, 0);
  CHECK(old == CollectorResult(std::vector<TokenId>{B}));
}

TEST(collector_push_rules) {
  std::vector<double> scalars;
  std::vector<Items> lists;
  push_collector_result(scalars, lists, NoResult{});
  CHECK(scalars.empty() && lists.empty());
  push_collector_result(scalars, lists, 2.5);
  push_collector_result(scalars, lists, uint64_t{3});
  CHECK(scalars == (std::vector<double>{2.5, 3.0}));
  push_collector_result(scalars, lists, std::vector<TokenId>{A, B});
  push_collector_result(scalars, lists, std::vector<double>{1, 2});
  push_collector_result(scalars, lists, Items{{A, 4}});
  CHECK(lists.size() == 3);
  if (lists.size() == 3) {
    CHECK(lists[0] == (Items{{A, 0.0}, {B, 0.0}}));
    CHECK(lists[1] == (Items{{0, 1.0}, {0, 2.0}}));
    CHECK(lists[2] == (Items{{A, 4.0}}));
  }
}

TEST(collector_pattern_kinds_both_paths) {
  Stream s = stream({A, B}, {1, 4});
  for (bool use_general : {false, true}) {
    auto make = [&](CollectorStrategy c) {
      Pattern p = with_collector(pattern({ev(A), ev(B)}), c);
      return use_general ? general(p) : p;
    };
    MatchBuffer sum = run(make(CollectorStrategy::SumTimes), s);
    CHECK(sum.result_scalars == std::vector<double>{5.0});
    CHECK(sum.result_lists.empty() && sum.mid_scalars.empty() && sum.mid_lists.empty());
    CHECK(run(make(CollectorStrategy::Count), s).result_scalars == std::vector<double>{2.0});
    MatchBuffer pairs = run(make(CollectorStrategy::CollectPairs), s);
    CHECK(pairs.result_lists == (std::vector<Items>{{{A, 1.0}, {B, 4.0}}}));
    CHECK(pairs.result_scalars.empty());
    CHECK(run(make(CollectorStrategy::CollectTokens), s).result_lists ==
          (std::vector<Items>{{{A, 0.0}, {B, 0.0}}}));
    CHECK(run(make(CollectorStrategy::CollectTimes), s).result_lists ==
          (std::vector<Items>{{{0, 1.0}, {0, 4.0}}}));
    MatchBuffer none = run(make(CollectorStrategy::None), s);
    CHECK(none.rows() == 1 && none.result_scalars.empty() && none.result_lists.empty() &&
          none.mid_scalars.empty() && none.mid_lists.empty());
  }
}

TEST(collector_results_do_not_leak_between_branches) {
  // A A B B: four matches, each with exactly its own two tokens' times.
  for (bool use_general : {false, true}) {
    Pattern p = with_collector(pattern({ev(A), ev(B)}), CollectorStrategy::CollectTimes);
    if (use_general) p = general(p);
    MatchBuffer b = run(p, stream({A, A, B, B}, {0, 1, 2, 3}));
    CHECK(b.result_lists == (std::vector<Items>{{{0, 0}, {0, 2}}, {{0, 0}, {0, 3}}, {{0, 1}, {0, 2}}, {{0, 1}, {0, 3}}}));
    // The first_only fast path takes the greedy match with its own result.
    MatchBuffer f = run(p, stream({A, A, B, B}, {0, 1, 2, 3}), true);
    CHECK(f.result_lists == (std::vector<Items>{{{0, 0}, {0, 2}}}));
  }
  // Unordered siblings at one position get separate lists.
  Pattern u = with_collector(pattern({ev(X), ev(X), ev(Y)}, false), CollectorStrategy::CollectPairs);
  MatchBuffer b = run(u, stream({X, X, Y}, {0, 1, 2}));
  CHECK_EQ(b.rows(), size_t{2});
  for (const Items& items : b.result_lists) CHECK(items == (Items{{X, 0}, {X, 1}, {Y, 2}}));
}

TEST(collector_sequence_element_contributes_first_token) {
  EventSeq seq;
  seq.match_trie = trie_of({{U, W}});
  Pattern p = with_collector(pattern({ev(A), ev(B), ev(C), seq}), CollectorStrategy::CollectTokens);
  MatchBuffer b = run(p, stream({A, B, C, U, W}, {0, 1, 2, 3, 3}));
  CHECK(b.result_lists == (std::vector<Items>{{{A, 0}, {B, 0}, {C, 0}, {U, 0}}}));
}

TEST(midstream_between_elements) {
  // [A, B, Q] collecting x from element 0 to element 2: A x x B x Q.
  Pattern p = pattern({ev(A), ev(B), ev(Q)});
  p.midstream = midstream({{X}}, 1, 4);
  MatchBuffer b = run(p, stream({A, X, X, B, X, Q}));
  CHECK(spans(b) == (Spans{{0, 5}}));
  CHECK(b.mid_lists == (std::vector<Items>{{{X, 0}, {X, 0}, {X, 0}}}));
  CHECK(b.result_lists.empty() && b.result_scalars.empty());
}

TEST(midstream_stop_element_position_is_collected) {
  // [A, X] collecting x from element 0 to element 1: on A x x the matches
  // (0, 1) and (0, 2) hold one and two x.
  Pattern p = pattern({ev(A), ev(X)});
  p.midstream = midstream({{X}}, 1, 2, CollectorStrategy::Count);
  MatchBuffer b = run(p, stream({A, X, X}));
  CHECK(spans(b) == (Spans{{0, 1}, {0, 2}}));
  CHECK(b.mid_scalars == (std::vector<double>{1, 2}));
}

TEST(midstream_empty_start_mask_collects_from_position_zero) {
  Pattern p = pattern({ev(A), ev(B)});
  p.midstream = midstream({{X}}, 0, 2, CollectorStrategy::CollectPairs);
  MatchBuffer b = run(p, stream({X, X, A, X, B}, {0, 1, 2, 3, 4}));
  CHECK(spans(b) == (Spans{{2, 4}}));
  CHECK(b.mid_lists == (std::vector<Items>{{{X, 0}, {X, 1}, {X, 3}}}));
  // Both masks empty: everything the chain of scans visits.
  Pattern all = pattern({ev(A), ev(B)});
  all.midstream = midstream({{X}}, 0, 0, CollectorStrategy::Count);
  CHECK(run(all, stream({X, A, X, B, X})).mid_scalars == std::vector<double>{2});
}

TEST(midstream_sequence_counts_once_with_first_token) {
  Pattern p = pattern({ev(A), ev(Q)});
  p.midstream = midstream({{X, Y}, {X}}, 1, 0, CollectorStrategy::CollectPairs);
  MatchBuffer b = run(p, stream({A, X, Y, Q}, {0, 1, 1, 2}));
  CHECK(b.mid_lists == (std::vector<Items>{{{X, 1}}}));
  // The sequence needs one time.
  Pattern only_seq = pattern({ev(A), ev(Q)});
  only_seq.midstream = midstream({{X, Y}}, 1, 0, CollectorStrategy::Count);
  CHECK(run(only_seq, stream({A, X, Y, Q}, {0, 1, 2, 3})).mid_scalars == std::vector<double>{0});
  CHECK(run(only_seq, stream({A, X, Y, Q}, {0, 1, 1, 3})).mid_scalars == std::vector<double>{1});
}

TEST(midstream_positions_inside_a_matched_sequence_are_not_visited) {
  EventSeq seq;
  seq.match_trie = trie_of({{U, X}});
  Pattern p = pattern({ev(A), seq, ev(Q)});
  p.midstream = midstream({{X}}, 0, 0, CollectorStrategy::Count);
  // The X inside U X (matched by the sequence) is skipped; the later X counts.
  CHECK(run(p, stream({A, U, X, X, Q}, {0, 1, 1, 2, 3})).mid_scalars == std::vector<double>{1});
}

TEST(midstream_continuation_keeps_positions_between_occurrences) {
  // [A, B] collecting x after A, until B matches: A x B x B. The second
  // match tries the later B through a continuation; the x between the two
  // Bs and the one before stay collected.
  Pattern p = pattern({ev(A), ev(B)});
  p.midstream = midstream({{X}}, 1, 2, CollectorStrategy::Count);
  MatchBuffer b = run(p, stream({A, X, B, X, B}));
  CHECK(spans(b) == (Spans{{0, 2}, {0, 4}}));
  CHECK(b.mid_scalars == (std::vector<double>{1, 2}));
  // Both collectors at once.
  p.collector = CollectorStrategy::SumTimes;
  MatchBuffer both = run(p, stream({A, X, B, X, B}));
  CHECK(both.result_scalars == (std::vector<double>{2, 4}));
  CHECK(both.mid_scalars == (std::vector<double>{1, 2}));
}

TEST(midstream_masks_by_element_in_unordered_pattern) {
  // Unordered {A, B}, collecting x after element 1 (B) has matched.
  Pattern p = pattern({ev(A), ev(B)}, false);
  p.midstream = midstream({{X}}, 2, 0, CollectorStrategy::Count);
  MatchBuffer b = run(p, stream({A, X, B, X, A}));
  // Matches: (0, 2) [A then B: nothing after B collected], (2, 4) [B then
  // A: one x].
  CHECK(spans(b) == (Spans{{0, 2}, {2, 4}}));
  CHECK(b.mid_scalars == (std::vector<double>{0, 1}));
}
