// The driver (fast path choice, buffers, cancellation) and the search (order
// of matches, pattern cuts, wide patterns) of the matching engine.
#include "check.hpp"
#include "engine/buffer_ops.hpp"
#include "engine/cons_list.hpp"
#include "engine_helpers.hpp"

using namespace engine_test;

namespace {

constexpr double kHuge = 1e300;

// The same pattern with a huge finite max_at on its last element, which
// sends it to the general search instead of the fast path.
Pattern general(Pattern p) {
  std::visit(
      [](auto& e) {
        if constexpr (requires { e.max_at; }) e.max_at = kHuge;
      },
      p.elements.back());
  return p;
}

Event nb(TokenId tok) {  // not backtrackable
  Event e = ev(tok);
  e.backtrackable = false;
  return e;
}

}  // namespace

TEST(engine_order_of_matches_a_a_b_b) {
  Stream s = stream({A, A, B, B}, {0, 1, 2, 3});
  Pattern fast = pattern({ev(A), ev(B)});
  CHECK(fast_path_qualifies(fast));
  CHECK(!fast_path_qualifies(general(fast)));
  for (const Pattern& p : {fast, general(fast)}) {
    MatchBuffer b = run(p, s);
    CHECK(spans(b) == (Spans{{0, 2}, {0, 3}, {1, 2}, {1, 3}}));
    CHECK(b.el_stream_idx == (std::vector<size_t>{0, 2, 0, 3, 1, 2, 1, 3}));
    CHECK(b.el_times == (std::vector<double>{0, 2, 0, 3, 1, 2, 1, 3}));
    CHECK(b.t_start == (std::vector<double>{0, 0, 1, 1}));
    CHECK(b.t_end == (std::vector<double>{2, 3, 2, 3}));
    CHECK(b.el_token_ids == (std::vector<TokenId>{A, B, A, B, A, B, A, B}));
    CHECK(b.el_token_counts == (std::vector<uint32_t>(8, 1)));
    MatchBuffer f = run(p, s, true);
    CHECK(spans(f) == (Spans{{0, 2}}));
    CHECK(f.el_stream_idx == (std::vector<size_t>{0, 2}));
  }
}

TEST(engine_unordered_order_of_assignments) {
  // {A, B, A2} unordered: three elements where two accept A. Matches come
  // in lexicographic order of (position, element) choices.
  Pattern p = pattern({ev(A), ev(B), ev(A)}, false);
  MatchBuffer b = run(p, stream({A, B, A}));
  // Choices: (0:e0,1:e1,2:e2), (0:e2,1:e1,2:e0); no other (B is only at 1).
  CHECK(spans(b) == (Spans{{0, 2}, {0, 2}}));
}

TEST(engine_pattern_max_dt_cuts_the_scan) {
  Pattern p = general(pattern({ev(A), ev(B)}));
  p.max_dt = 5;
  CHECK(spans(run(p, stream({A, B, B}, {0, 3, 9}))) == (Spans{{0, 1}}));
  // The cut ends the scan: a later B at an earlier time is never reached.
  CHECK(spans(run(p, stream({A, B, B}, {0, 9, 3}))).empty());
  // Exactly max_dt is allowed (the cut is strict).
  CHECK(spans(run(p, stream({A, B}, {0, 5}))) == (Spans{{0, 1}}));
}

TEST(engine_t_end_is_the_largest_time) {
  // Decreasing times: t_end keeps the larger time of the first element.
  Event b_any_gap = ev(B);
  b_any_gap.min_dt = -kInf;  // the default min_dt 0 refuses the negative gap
  MatchBuffer b = run(pattern({ev(A), b_any_gap}), stream({A, B}, {5, 3}));
  CHECK(spans(b) == (Spans{{0, 1}}));
  CHECK(b.t_start == std::vector<double>{5});
  CHECK(b.t_end == std::vector<double>{5});
}

TEST(engine_sixty_four_elements) {
  std::vector<PatternElement> els;
  std::vector<TokenId> toks;
  for (TokenId i = 0; i < 64; ++i) {
    els.push_back(ev(100 + i));
    toks.push_back(100 + i);
  }
  Pattern p = pattern(els);
  p.max_at = 1000;
  Engine engine(p);
  CHECK_EQ(engine.full_mask, ~uint64_t{0});
  MatchBuffer b = run(p, stream(toks));
  CHECK(spans(b) == (Spans{{0, 63}}));
  CHECK_EQ(b.el_stream_idx.size(), size_t{64});
  CHECK_EQ(b.el_stream_idx[63], size_t{63});
  // Out of the max_at bound: nothing.
  p.max_at = 62;
  CHECK(spans(run(p, stream(toks))).empty());
  // The fast path with 64 elements agrees.
  p.max_at = kInf;
  CHECK(fast_path_qualifies(p));
  CHECK(spans(run(p, stream(toks))) == (Spans{{0, 63}}));
  // Unordered: with non-backtrackable elements every scan commits to its
  // first hit (with backtrackable ones every subsequence would be a branch).
  std::vector<PatternElement> fixed;
  for (TokenId i = 0; i < 64; ++i) fixed.push_back(nb(100 + i));
  Pattern u = pattern(fixed, false);
  CHECK(spans(run(u, stream(toks))) == (Spans{{0, 63}}));
}

TEST(engine_fast_path_qualification) {
  CHECK(fast_path_qualifies(pattern({ev(A), nb(B)})));
  Pattern collect = pattern({ev(A)});
  collect.collector = CollectorStrategy::CollectPairs;
  CHECK(fast_path_qualifies(collect));

  auto with = [](auto change) {
    Event e = ev(B);
    change(e);
    return fast_path_qualifies(pattern({ev(A), e}));
  };
  CHECK(!with([](Event& e) { e.block_token = K; }));
  CHECK(!with([](Event& e) { e.match_constraint = ValueConstraint::require_nan(); }));
  CHECK(!with([](Event& e) { e.block_constraint = ValueConstraint::range(0, 1); }));
  CHECK(!with([](Event& e) { e.min_dt = 1; }));
  CHECK(!with([](Event& e) { e.max_dt = 1; }));
  CHECK(!with([](Event& e) { e.min_at = 1; }));
  CHECK(!with([](Event& e) { e.max_at = 1; }));

  CHECK(!fast_path_qualifies(pattern({ev(A), ev(B)}, false)));
  EventSet set;
  set.match_tokens = {A};
  CHECK(!fast_path_qualifies(pattern({ev(A), set})));
  Pattern mid = pattern({ev(A)});
  mid.midstream = MidstreamCollector{};
  CHECK(!fast_path_qualifies(mid));
  for (int i = 0; i < 4; ++i) {
    Pattern q = pattern({ev(A)});
    if (i == 0) q.min_dt = 1;
    if (i == 1) q.max_dt = 1;
    if (i == 2) q.min_at = 1;
    if (i == 3) q.max_at = 1;
    CHECK(!fast_path_qualifies(q));
  }
}

TEST(engine_capacity_hint) {
  CHECK_EQ(capacity_hint(2, 0), size_t{16});
  CHECK_EQ(capacity_hint(0, 100), size_t{100});
  CHECK_EQ(capacity_hint(3, 100), size_t{33});
  CHECK_EQ(capacity_hint(1, size_t{1} << 30), size_t{1048576});
  MatchBuffer b = make_match_buffer(3, 100, true);
  CHECK(b.m_start.capacity() >= 33 && b.t_end.capacity() >= 33);
  CHECK(b.el_times.capacity() >= 99 && b.el_token_counts.capacity() >= 99);
  CHECK(b.result_lists.capacity() == 0 && b.mid_scalars.capacity() == 0);
  MatchBuffer no_tokens = make_match_buffer(3, 100, false);
  CHECK_EQ(no_tokens.el_token_ids.capacity(), size_t{0});
}

TEST(engine_cancellation) {
  std::vector<TokenId> toks(20000, B);
  toks.push_back(A);
  Stream s = stream(toks);
  auto stop = [](void*) { return true; };
  for (const Pattern& p : {pattern({ev(B)}), general(pattern({ev(B), ev(B)}))}) {
    Engine engine(p);
    CancelCheck cancel(stop, nullptr);
    auto r = match_stream(engine, s.view(), false, false, cancel);
    CHECK(!r.ok());
    if (!r.ok()) CHECK(r.error().kind == ErrorKind::Cancelled);
  }
  // A check that never fires lets the call finish.
  const Pattern one = general(pattern({ev(A)}));  // Engine keeps a reference: no temporary
  Engine engine(one);
  CancelCheck never([](void*) { return false; }, nullptr);
  auto r = match_stream(engine, s.view(), false, false, never);
  CHECK(r.ok() && r->rows() == 1);
}

TEST(engine_cell_pool_frees_unheld_cells) {
  CellPool pool;
  auto a = pool.make({0, 0.0, 1}, CellPool::kNil);
  auto b = pool.make({1, 1.0, 1}, a);
  auto c = pool.make({2, 2.0, 2}, a);  // b and c share the tail a
  pool.release(a);
  CHECK_EQ(pool.live(), size_t{3});
  pool.release(b);
  CHECK_EQ(pool.live(), size_t{2});
  CHECK_EQ(pool.match(pool.next(c)).stream_idx, size_t{0});
  pool.release(c);
  CHECK_EQ(pool.live(), size_t{0});
  auto d = pool.make({5, 5.0, 1}, CellPool::kNil);  // reuses a freed cell
  CHECK(d < 3);
  CHECK_EQ(pool.match(d).stream_idx, size_t{5});
  // reset drops every cell, held or not.
  pool.make({6, 6.0, 1}, d);
  pool.reset();
  CHECK_EQ(pool.live(), size_t{0});
  CHECK_EQ(pool.make({7, 7.0, 1}, CellPool::kNil), CellPool::Ref{0});
}
