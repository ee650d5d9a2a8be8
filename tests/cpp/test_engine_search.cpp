// The matching engine where the randomized model does not reach: decreasing
// times, the widest pattern, cancellation and the pool of shared match cells.
#include "check.hpp"
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
