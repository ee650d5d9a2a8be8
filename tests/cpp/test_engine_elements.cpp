// Candidate tables, blocks and hits of all eight element kinds.
#include "check.hpp"
#include "engine_helpers.hpp"

using namespace engine_test;

namespace {

const double NaN = kNaN;

Event nb(TokenId tok) {
  Event e = ev(tok);
  e.backtrackable = false;
  return e;
}

Event blocked_event(TokenId match, TokenId block) {
  Event e = ev(match);
  e.block_token = block;
  return e;
}

EventSet event_set(std::vector<TokenId> match, std::vector<ValueConstraint> cons = {}) {
  EventSet e;
  e.match_tokens = std::move(match);
  e.match_constraints = std::move(cons);
  return e;
}

ResolvedElement spec(std::vector<TokenId> match) {
  ResolvedElement r;
  r.match_tokens = std::move(match);
  return r;
}

MappedEvent mapped(size_t source, std::vector<std::pair<std::vector<TokenId>, ResolvedElement>> entries,
                   std::optional<ResolvedElement> dflt = std::nullopt) {
  MappedEvent m;
  m.source_element = source;
  for (auto& [k, v] : entries) m.match_map.emplace(k, v);
  m.default_spec = std::move(dflt);
  return m;
}

}  // namespace

TEST(element_event_block_token_ends_the_branch) {
  Pattern p = pattern({ev(X), blocked_event(A, B)});
  CHECK(spans(run(p, stream({X, B, A}))).empty());
  CHECK(spans(run(p, stream({X, A, B}))) == (Spans{{0, 1}}));
  // The block only applies while the element is pending: a B before X is harmless.
  CHECK(spans(run(p, stream({B, X, A}))) == (Spans{{1, 2}}));
}

TEST(element_event_block_constraint) {
  Event e = blocked_event(A, B);
  e.block_constraint = ValueConstraint::range(5, kInf);
  Pattern p = pattern({ev(X), e});
  CHECK(spans(run(p, stream({X, B, A}, {}, {NaN, 3, NaN}))) == (Spans{{0, 2}}));
  CHECK(spans(run(p, stream({X, B, A}, {}, {NaN, 7, NaN}))).empty());
  // Without values the range refuses NaN: no block.
  CHECK(spans(run(p, stream({X, B, A}))) == (Spans{{0, 2}}));
}

TEST(element_event_match_constraint) {
  Event e = ev(A);
  e.match_constraint = ValueConstraint::range(1, 2);
  Pattern p = pattern({e});
  CHECK(spans(run(p, stream({A, A, A, A}, {}, {0.5, 1, 2, NaN}))) == (Spans{{1, 1}, {2, 2}}));
  CHECK(spans(run(p, stream({A}))).empty());
  Event n = ev(A);
  n.match_constraint = ValueConstraint::require_nan();
  CHECK(spans(run(pattern({n}), stream({A, A}, {}, {0.0, NaN}))) == (Spans{{1, 1}}));
  CHECK(spans(run(pattern({n}), stream({A}))) == (Spans{{0, 0}}));
}

TEST(element_event_time_bounds) {
  Event near = ev(B);
  near.max_dt = 2;
  CHECK(spans(run(pattern({ev(A), near}), stream({A, B, B}, {0, 3, 4}))).empty());
  CHECK(spans(run(pattern({ev(A), near}), stream({A, B, B}, {0, 2, 4}))) == (Spans{{0, 1}}));
  Event far = ev(B);
  far.min_dt = 2;
  CHECK(spans(run(pattern({ev(A), far}), stream({A, B, B}, {0, 1, 3}))) == (Spans{{0, 2}}));
  Event at = ev(A);
  at.min_at = 1;
  at.max_at = 2;
  CHECK(spans(run(pattern({at}), stream({A, A, A, A}, {0, 1, 2, 3}))) == (Spans{{1, 1}, {2, 2}}));
  // A first element sees dt 0: a positive min_dt never lets it match.
  Event first = ev(A);
  first.min_dt = 1;
  CHECK(spans(run(pattern({first}), stream({A, A}))).empty());
}

TEST(element_unordered_retiring_position_is_not_tested) {
  // E1 matches A and is blocked by K; E2 matches K.
  Pattern p = pattern({blocked_event(A, K), ev(K)}, false);
  // At 0 K retires E1 and E2 is not tested there; E2 matches the K at 1,
  // after which E1 is pending again and matches A at 2.
  MatchBuffer b = run(p, stream({K, K, A}));
  CHECK(spans(b) == (Spans{{1, 2}}));
  CHECK(spans(run(p, stream({K, A}))).empty());
}

TEST(element_unordered_retired_element_pending_again) {
  Pattern p = pattern({blocked_event(A, K), ev(B)}, false);
  CHECK(spans(run(p, stream({K, B, A}))) == (Spans{{1, 2}}));
  // In an ordered pattern the retirement ends the branch.
  Pattern o = pattern({ev(B), blocked_event(A, K)});
  CHECK(spans(run(o, stream({B, K, A}))).empty());
}

TEST(element_retirement_only_for_the_rest_of_the_scan) {
  Pattern p = pattern({ev(X), blocked_event(A, K)});
  // X A K A: the scan for A hits at 1; its continuation (from 2) sees K and
  // ends; only (0, 1).
  CHECK(spans(run(p, stream({X, A, K, A}))) == (Spans{{0, 1}}));
}

TEST(element_event_set_value_test_first_occurrence_decides) {
  EventSet s = event_set({A, A}, {ValueConstraint::range(0, 1), ValueConstraint::range(5, 6)});
  CHECK(spans(run(pattern({s}), stream({A, A}, {}, {5, 0.5}))) == (Spans{{1, 1}}));
  // A resolved spec with the same lists accepts 5: any occurrence may accept.
  ResolvedElement r = spec({A, A});
  r.match_constraints = {ValueConstraint::range(0, 1), ValueConstraint::range(5, 6)};
  Pattern m = pattern({ev(Q), mapped(0, {}, r)});
  CHECK(spans(run(m, stream({Q, A}, {}, {NaN, 5}))) == (Spans{{0, 1}}));
  // Constraint list shorter than the tokens: the rest are Any.
  EventSet shorter = event_set({A, B}, {ValueConstraint::range(0, 1)});
  CHECK(spans(run(pattern({shorter}), stream({A, B, A}, {}, {9, 9, 0.5}))) == (Spans{{1, 1}, {2, 2}}));
}

TEST(element_set_listing_a_token_twice_hits_once) {
  CHECK(spans(run(pattern({event_set({A, A})}), stream({A, A}))) == (Spans{{0, 0}, {1, 1}}));
}

TEST(element_event_set_blocks) {
  EventSet s = event_set({A});
  s.block_tokens = {K, K};
  s.block_constraints = {ValueConstraint::range(5, 6), ValueConstraint::any()};
  Pattern p = pattern({ev(X), s});
  // First occurrence of K decides: value 1 fails the range, no block.
  CHECK(spans(run(p, stream({X, K, A}, {}, {NaN, 1, NaN}))) == (Spans{{0, 2}}));
  CHECK(spans(run(p, stream({X, K, A}, {}, {NaN, 5, NaN}))).empty());
}

TEST(element_sequence_hits_and_consumes) {
  EventSeq seq;
  seq.match_trie = trie_of({{U, W}});
  Pattern p = pattern({seq, ev(W)});
  // U W at one time, then W: the sequence covers 0..1, the W matches 2.
  MatchBuffer b = run(p, stream({U, W, W}, {0, 0, 1}));
  CHECK(spans(b) == (Spans{{0, 2}}));
  CHECK(b.el_token_counts == (std::vector<uint32_t>{2, 1}));
  CHECK(b.el_token_ids == (std::vector<TokenId>{U, W, W}));
  // Different times break the sequence.
  CHECK(spans(run(p, stream({U, W, W}, {0, 1, 2}))).empty());
  // Bounds of the sequence element.
  EventSeq late = seq;
  late.min_at = 5;
  CHECK(spans(run(pattern({late}), stream({U, W, U, W}, {0, 0, 5, 5}))) == (Spans{{2, 3}}));
}

TEST(element_sequence_block_trie) {
  EventSeq seq;
  seq.match_trie = trie_of({{U, W}});
  seq.block_trie = trie_of({{K, K}});
  Pattern p = pattern({ev(A), seq});
  CHECK(spans(run(p, stream({A, K, K, U, W}, {0, 1, 1, 2, 2}))).empty());
  // K K at two times is not the blocking sequence.
  CHECK(spans(run(p, stream({A, K, K, U, W}, {0, 1, 2, 3, 3}))) == (Spans{{0, 4}}));
  // Unordered: the block removes only the sequence element; the other
  // element still matches and the sequence is pending again after it.
  Pattern u = pattern({seq, ev(B)}, false);
  MatchBuffer b = run(u, stream({K, K, B, U, W}, {1, 1, 2, 3, 3}));
  CHECK(spans(b) == (Spans{{2, 4}}));
}

TEST(element_time_event) {
  TimeEvent te;
  te.min_dt = 2;
  Pattern p = pattern({ev(A), te});
  MatchBuffer b = run(p, stream({A, B, Q}, {0, 1, 3}));
  CHECK(spans(b) == (Spans{{0, 2}}));
  CHECK(b.el_token_ids == (std::vector<TokenId>{A, Q}));
  // A block token retires it.
  TimeEvent blocked = te;
  blocked.block_tokens = {K};
  CHECK(spans(run(pattern({ev(A), blocked}), stream({A, K, Q}, {0, 1, 3}))).empty());
  // Block constraint on the time element.
  blocked.block_constraints = {ValueConstraint::range(5, 6)};
  CHECK(spans(run(pattern({ev(A), blocked}), stream({A, K, Q}, {0, 1, 3}, {NaN, 1, NaN}))) == (Spans{{0, 2}}));
  // min_at / max_at alone: every position in the window.
  TimeEvent window;
  window.min_at = 1;
  window.max_at = 2;
  CHECK(spans(run(pattern({window}), stream({A, B, C, D}))) == (Spans{{1, 1}, {2, 2}}));
}

TEST(element_dynamic_time_event) {
  DynamicTimeEvent first;
  first.rel_max_dt = 5;
  CHECK(spans(run(pattern({first}), stream({A, B}))).empty());
  DynamicTimeEvent open;
  CHECK(spans(run(pattern({open}), stream({A, B}))) == (Spans{{0, 0}, {1, 1}}));

  DynamicTimeEvent window;
  window.rel_min_dt = 2;
  window.rel_max_dt = 4;
  Pattern p = pattern({ev(A), window});
  CHECK(spans(run(p, stream({A, B, C, D, Q}, {0, 1, 3, 4, 5}))) == (Spans{{0, 2}, {0, 3}}));
  // min_at / max_at cap the relative window.
  DynamicTimeEvent capped = window;
  capped.max_at = 3.5;
  CHECK(spans(run(pattern({ev(A), capped}), stream({A, B, C, D}, {0, 1, 3, 4}))) == (Spans{{0, 2}}));
  DynamicTimeEvent floor = window;
  floor.min_at = 3.5;
  CHECK(spans(run(pattern({ev(A), floor}), stream({A, B, C, D}, {0, 1, 3, 4}))) == (Spans{{0, 3}}));
  // 0 <= dt is required even when the window allows earlier times.
  DynamicTimeEvent back;
  back.rel_min_dt = -10;
  CHECK(spans(run(pattern({ev(A), back}), stream({A, B, C}, {5, 4, 6}))) == (Spans{{0, 2}}));
}

TEST(element_dynamic_event_takes_last_token) {
  DynamicEvent again;
  Pattern p = pattern({event_set({A, B}), again});
  CHECK(spans(run(p, stream({A, X, A}))) == (Spans{{0, 2}}));
  CHECK(spans(run(p, stream({A, X, B}))).empty());
  // As the first element it cannot match.
  CHECK(spans(run(pattern({again}), stream({A, A}))).empty());
  // Its match constraint and static block tokens.
  DynamicEvent valued;
  valued.match_constraint = ValueConstraint::range(1, 2);
  valued.block_tokens = {K};
  Pattern q = pattern({ev(A), valued});
  // (1, 2) comes from the continuation of the first element.
  CHECK(spans(run(q, stream({A, A, A}, {}, {NaN, 3, 1.5}))) == (Spans{{0, 2}, {1, 2}}));
  CHECK(spans(run(q, stream({A, K, A}, {}, {NaN, NaN, 1.5}))).empty());
}

TEST(element_dynamic_event_set) {
  DynamicEventSet des;
  des.match_tokens = {C};
  des.match_constraints = {ValueConstraint::range(0, 1)};
  des.match_from_last = true;
  Pattern p = pattern({event_set({A, B}), des});
  CHECK(spans(run(p, stream({A, C}, {}, {NaN, 0.5}))) == (Spans{{0, 1}}));
  CHECK(spans(run(p, stream({A, C}, {}, {NaN, 9}))).empty());
  CHECK(spans(run(p, stream({A, A}, {}, {NaN, 9}))) == (Spans{{0, 1}}));  // last token: Any
  CHECK(spans(run(p, stream({A, B}))).empty());
  // Without match_from_last only the static tokens match.
  DynamicEventSet fixed = des;
  fixed.match_from_last = false;
  CHECK(spans(run(pattern({ev(A), fixed}), stream({A, A}))).empty());
  // As the first element, only the static tokens.
  CHECK(spans(run(pattern({des}), stream({A, C}, {}, {NaN, 0.5}))) == (Spans{{1, 1}}));
  // Last token also a static token: one hit per position; the static
  // constraint decides.
  DynamicEventSet both;
  both.match_tokens = {A};
  both.match_constraints = {ValueConstraint::range(0, 1)};
  both.match_from_last = true;
  CHECK(spans(run(pattern({ev(A), both}), stream({A, A}, {}, {NaN, 0.5}))) == (Spans{{0, 1}}));
  CHECK(spans(run(pattern({ev(A), both}), stream({A, A}, {}, {NaN, 5}))).empty());
}

TEST(element_dynamic_event_set_block_from_last) {
  DynamicEventSet des;
  des.match_tokens = {C};
  des.block_from_last = true;
  Pattern p = pattern({nb(A), des});  // only the first A starts a match
  CHECK(spans(run(p, stream({A, A, C}))).empty());
  CHECK(spans(run(p, stream({A, C, A, C}))) == (Spans{{0, 1}}));
  // With a backtrackable first element the second A starts its own match.
  CHECK(spans(run(pattern({ev(A), des}), stream({A, A, C}))) == (Spans{{1, 2}}));
  // The last token is also a static block token: its constraint applies.
  DynamicEventSet guarded = des;
  guarded.block_tokens = {A};
  guarded.block_constraints = {ValueConstraint::range(5, kInf)};
  Pattern g = pattern({nb(A), guarded});
  CHECK(spans(run(g, stream({A, A, C}, {}, {NaN, 1, NaN}))) == (Spans{{0, 2}}));
  CHECK(spans(run(g, stream({A, A, C}, {}, {NaN, 7, NaN}))).empty());
  // Static block tokens alone.
  DynamicEventSet stat;
  stat.match_tokens = {C};
  stat.block_tokens = {K};
  CHECK(spans(run(pattern({nb(A), stat}), stream({A, K, C}))).empty());
}

TEST(element_mapped_event_resolution) {
  ResolvedElement z = spec({Z});
  z.max_dt = 3;
  Pattern p = pattern({event_set({Q, Y}), mapped(0, {{{Q}, z}})});
  CHECK(spans(run(p, stream({Q, Z}, {0, 5}))).empty());
  CHECK(spans(run(p, stream({Q, Z}, {0, 2}))) == (Spans{{0, 1}}));
  // A source token absent from the map without default abandons the branch.
  CHECK(spans(run(p, stream({Y, Z}, {0, 2}))).empty());
  // With a default it applies.
  Pattern d = pattern({event_set({Q, Y}), mapped(0, {{{Q}, z}}, spec({X}))});
  CHECK(spans(run(d, stream({Y, Z, X}))) == (Spans{{0, 2}}));
  CHECK(spans(run(d, stream({Q, X, Z}))) == (Spans{{0, 2}}));
  // An empty map uses the default, or nothing.
  CHECK(spans(run(pattern({ev(Q), mapped(0, {}, spec({X}))}), stream({Q, X}))) == (Spans{{0, 1}}));
  CHECK(spans(run(pattern({ev(Q), mapped(0, {})}), stream({Q, X}))).empty());
}

TEST(element_mapped_event_each_branch_its_own_key) {
  // Two occurrences of the source with different tokens: each branch
  // resolves with its own source token.
  Pattern p = pattern({event_set({Q, Y}), mapped(0, {{{Q}, spec({Z})}, {{Y}, spec({X})}})});
  CHECK(spans(run(p, stream({Q, Y, X, Z}))) == (Spans{{0, 3}, {1, 2}}));
}

TEST(element_mapped_event_sequence_key_and_seq_trie) {
  EventSeq source;
  source.match_trie = trie_of({{U, W}, {U}});
  ResolvedElement seq_spec;
  seq_spec.seq_trie = trie_of({{C, D}});
  Pattern p = pattern({source, mapped(0, {{{U, W}, seq_spec}, {{U}, spec({Z})}})});
  MatchBuffer b = run(p, stream({U, W, C, D}, {0, 0, 1, 1}));
  CHECK(spans(b) == (Spans{{0, 3}}));
  CHECK(b.el_token_counts == (std::vector<uint32_t>{2, 2}));
  // The one-token source picks the other spec.
  CHECK(spans(run(p, stream({U, Z}, {0, 1}))) == (Spans{{0, 1}}));
  CHECK(spans(run(p, stream({U, W, Z}, {0, 0, 1}))).empty());
}

TEST(element_mapped_event_blocks) {
  ResolvedElement r = spec({Z});
  r.block_tokens = {K};
  r.block_constraints = {ValueConstraint::range(5, 6)};
  Pattern p = pattern({ev(Q), mapped(0, {{{Q}, r}})});
  CHECK(spans(run(p, stream({Q, K, Z}, {}, {NaN, 5, NaN}))).empty());
  CHECK(spans(run(p, stream({Q, K, Z}, {}, {NaN, 1, NaN}))) == (Spans{{0, 2}}));
  // A token that both blocks and matches blocks: blocks come first.
  ResolvedElement self = spec({K});
  self.block_tokens = {K};
  CHECK(spans(run(pattern({ev(Q), mapped(0, {{{Q}, self}})}), stream({Q, K}))).empty());
  // Unordered: a mapped block spares the position from the match test, so
  // the K at 1 (value 5) that blocks the mapped element is not taken by
  // element 2; the K at 2 is, and the mapped element is pending again after.
  Pattern u = pattern({ev(Q), mapped(0, {{{Q}, r}}, r), ev(K)}, false);
  MatchBuffer b = run(u, stream({Q, K, K, Z}, {}, {NaN, 5, NaN, NaN}));
  CHECK(spans(b) == (Spans{{0, 3}}));
  if (b.rows() == 1) CHECK(slots(b, 0) == (std::vector<size_t>{0, 2, 3}));
}

TEST(element_mapped_event_source_out_of_range) {
  // An index of 64 or more has no slot: the key is empty, the default applies.
  Pattern d = pattern({ev(Q), mapped(1000, {{{Q}, spec({Z})}}, spec({X}))});
  CHECK(spans(run(d, stream({Q, Z, X}))) == (Spans{{0, 2}}));
  Pattern none = pattern({ev(Q), mapped(size_t{1} << 40, {{{Q}, spec({Z})}})});
  CHECK(spans(run(none, stream({Q, Z}))).empty());
  // Index 64 exactly.
  Pattern at64 = pattern({ev(Q), mapped(64, {{{Q}, spec({Z})}}, spec({Z}))});
  CHECK(spans(run(at64, stream({Q, Z}))) == (Spans{{0, 1}}));
  // Naming itself: nothing recorded for it yet, so the default.
  Pattern self = pattern({ev(Q), mapped(1, {{{Q}, spec({Z})}}, spec({X}))});
  CHECK(spans(run(self, stream({Q, Z, X}))) == (Spans{{0, 2}}));
}

TEST(element_mapped_event_reused_search_memory_holds_no_span) {
  // Element 0 reads the span of element 1, which comes after it: nothing is
  // recorded for it when element 0 is pending the first time, so the
  // default (X) applies. A search reusing the memory of one that recorded
  // element 1 at position 1 must not read that span: on Z Q B it would key
  // Q and match Z.
  Pattern p = pattern({mapped(1, {{{Q}, spec({Z})}}, spec({X})), ev(B)});
  MatchScratch reused;
  CHECK(run_into(p, stream({X, B}), false, false, reused) && spans(reused.buf) == (Spans{{0, 1}}));
  CHECK(run_into(p, stream({Z, Q, B}), false, false, reused) && spans(reused.buf).empty());
  CHECK(spans(run(p, stream({Z, Q, B}))).empty());
}

TEST(element_hit_order_at_one_position) {
  // Unordered {E0: X token, E1: time element} on X X: at position 0 the time
  // element hits before the token element, so the branch E1@0, E0@1 comes
  // first. A midstream counter of X that stops once E0 has matched tells
  // the two assignments apart: 2 for E1-first, 1 for E0-first.
  Pattern p = pattern({ev(X), TimeEvent{}}, false);
  MidstreamCollector mid;
  mid.stop_before_mask = 1;  // element 0
  mid.trie = trie_of({{X}});
  mid.collector = CollectorStrategy::Count;
  p.midstream = mid;
  MatchBuffer b = run(p, stream({X, X}));
  CHECK(spans(b) == (Spans{{0, 1}, {0, 1}}));
  CHECK(b.mid_scalars == (std::vector<double>{2, 1}));

  // Sequence before token: {E0: X token, E1: sequence [X]}.
  EventSeq seq;
  seq.match_trie = trie_of({{X}});
  Pattern s = pattern({ev(X), seq}, false);
  s.midstream = mid;
  MatchBuffer c = run(s, stream({X, X}));
  CHECK(c.mid_scalars == (std::vector<double>{2, 1}));
  // ... and mapped before token.
  Pattern m = pattern({ev(X), mapped(0, {}, spec({X}))}, false);
  m.midstream = mid;
  CHECK(run(m, stream({X, X})).mid_scalars == (std::vector<double>{2, 1}));
}
