// Randomized checks of the engine against a brute-force recursive model of
// the search for patterns of Events (blocks, gaps, backtrackable flags, order
// modes, pattern bounds, collectors), first_only against the first row, and
// reused search memory against a fresh run.
#include <algorithm>
#include <random>
#include <string>

#include "check.hpp"
#include "engine_helpers.hpp"

using namespace engine_test;

namespace {

using Items = std::vector<CollectedItem>;

// One row as the model computes it.
struct Row {
  std::vector<size_t> slots;
  double t_start, t_end;
  Items pairs;  // the pattern collector, always collect_pairs in the model
  double mid;   // the midstream counter
};

// The search written as plain recursion over Events: a scan
// ends at its first hit, where the children (in hit order) and then the
// continuation (a fresh scan, so retirements are forgotten) are explored.
class Model {
 public:
  Model(const Pattern& p, const Stream& s) : p_(p), s_(s), full_(Engine(p).full_mask) {}

  std::vector<Row> rows() {
    State start;
    scan(start, 0);
    return out_;
  }

 private:
  struct State {
    uint64_t used = 0;
    bool has_last = false;
    double last_time = 0;
    std::vector<size_t> slots;
    Items pairs;
    double mid = 0;
    double t_start = kInf, t_end = -kInf;
  };

  const Event& el(size_t k) const { return std::get<Event>(p_.elements[k]); }

  void scan(State st, size_t from) {
    const size_t n = p_.elements.size();
    uint64_t retired = 0;
    for (size_t q = from; q < s_.tokens.size(); ++q) {
      const TokenId x = s_.tokens[q];
      const double t = s_.times[q];
      if (!st.slots.empty() && t - st.t_start > p_.max_dt) return;
      if (p_.midstream) {
        const auto& m = *p_.midstream;
        if ((st.used & m.start_after_mask) == m.start_after_mask && (st.used & m.stop_before_mask) == 0 &&
            m.trie.children.count(x))
          st.mid += 1;
      }
      uint64_t pending = 0;
      for (size_t k = 0; k < n; ++k)
        if (!(st.used >> k & 1)) {
          pending |= uint64_t{1} << k;
          if (p_.ordered) break;
        }
      const uint64_t live = pending & ~retired;
      uint64_t newly = 0;
      for (size_t k = 0; k < n; ++k)
        if ((live >> k & 1) && el(k).block_token == x) newly |= uint64_t{1} << k;
      if (newly) {
        retired |= newly;
        if ((pending & ~retired) == 0) return;
        continue;
      }
      const double dt = st.has_last ? t - st.last_time : 0.0;
      std::vector<size_t> hits;
      bool any_backtrackable = false;
      for (size_t k = 0; k < n; ++k)
        if ((live >> k & 1) && el(k).match_token == x && el(k).min_dt <= dt && dt <= el(k).max_dt) {
          hits.push_back(k);
          any_backtrackable |= el(k).backtrackable;
        }
      if (hits.empty()) continue;
      for (size_t k : hits) {
        State c = st;
        c.used |= uint64_t{1} << k;
        c.has_last = true;
        c.last_time = t;
        if (c.slots.empty()) c.t_start = t;
        c.t_end = c.slots.empty() ? t : std::max(c.t_end, t);
        c.slots.push_back(q);
        c.pairs.push_back({x, t});
        if (c.used == full_)
          complete(c);
        else
          scan(c, q + 1);
      }
      if (any_backtrackable) scan(st, q + 1);
      return;
    }
  }

  void complete(const State& c) {
    const double d = c.t_end - c.t_start;
    if (!(p_.min_dt <= d && d <= p_.max_dt && p_.min_at <= c.t_start && c.t_end <= p_.max_at)) return;
    out_.push_back({c.slots, c.t_start, c.t_end, c.pairs, c.mid});
  }

  const Pattern& p_;
  const Stream& s_;
  uint64_t full_;
  std::vector<Row> out_;
};

// The buffer holding only row 0 of `b` (or no row).
MatchBuffer first_row(const MatchBuffer& b) {
  MatchBuffer f;
  f.n = b.n;
  f.include_tokens = b.include_tokens;
  if (b.rows() == 0) return f;
  f.m_start = {b.m_start[0]};
  f.m_end = {b.m_end[0]};
  f.t_start = {b.t_start[0]};
  f.t_end = {b.t_end[0]};
  f.el_stream_idx.assign(b.el_stream_idx.begin(), b.el_stream_idx.begin() + b.n);
  f.el_times.assign(b.el_times.begin(), b.el_times.begin() + b.n);
  if (b.include_tokens) {
    f.el_token_counts.assign(b.el_token_counts.begin(), b.el_token_counts.begin() + b.n);
    size_t ids = 0;
    for (size_t j = 0; j < b.n; ++j) ids += b.el_token_counts[j];
    f.el_token_ids.assign(b.el_token_ids.begin(), b.el_token_ids.begin() + ids);
  }
  if (!b.result_scalars.empty()) f.result_scalars = {b.result_scalars[0]};
  if (!b.result_lists.empty()) f.result_lists = {b.result_lists[0]};
  if (!b.mid_scalars.empty()) f.mid_scalars = {b.mid_scalars[0]};
  if (!b.mid_lists.empty()) f.mid_lists = {b.mid_lists[0]};
  return f;
}

// Times grow by a gap drawn from min_gap .. 2: non-decreasing with ties for
// a min_gap of 0, going back now and then for a negative one.
Stream random_stream(std::mt19937& rng, size_t max_len, TokenId alphabet, int min_gap = 0) {
  const size_t len = std::uniform_int_distribution<size_t>(0, max_len)(rng);
  Stream s;
  double t = std::uniform_int_distribution<int>(-2, 2)(rng);
  for (size_t i = 0; i < len; ++i) {
    s.tokens.push_back(std::uniform_int_distribution<TokenId>(1, alphabet)(rng));
    t += std::uniform_int_distribution<int>(min_gap, 2)(rng);
    s.times.push_back(t);
  }
  return s;
}

bool matches_model(const MatchBuffer& b, const std::vector<Row>& rows, bool with_mid) {
  if (b.rows() != rows.size() || b.result_lists.size() != rows.size()) return false;
  if (with_mid && b.mid_scalars.size() != rows.size()) return false;
  for (size_t i = 0; i < rows.size(); ++i) {
    const Row& r = rows[i];
    if (slots(b, i) != r.slots || b.t_start[i] != r.t_start || b.t_end[i] != r.t_end) return false;
    if (b.m_start[i] != r.slots.front() || b.m_end[i] != r.slots.back()) return false;
    if (b.result_lists[i] != r.pairs) return false;
    if (with_mid && b.mid_scalars[i] != r.mid) return false;
  }
  return true;
}

}  // namespace

namespace {

// The shape of the cases drawn by check_search_against_model.
struct ModelCases {
  uint32_t seed;
  int iterations;
  TokenId min_alphabet, max_alphabet;
  size_t ordered_len, unordered_len;  // the longest stream of each order mode
  int min_gap;                        // of random_stream
  int min_rows;                       // the matches the cases must produce at least
};

void check_search_against_model(const ModelCases& cases) {
  std::mt19937 rng(cases.seed);
  int mismatches = 0, first_mismatches = 0, reuse_mismatches = 0, rows_seen = 0;
  MatchScratch reused;
  for (int iter = 0; iter < cases.iterations; ++iter) {
    const TokenId alphabet = std::uniform_int_distribution<TokenId>(cases.min_alphabet, cases.max_alphabet)(rng);
    const size_t n = std::uniform_int_distribution<size_t>(1, 4)(rng);
    auto chance = [&](int in) { return std::uniform_int_distribution<int>(0, in - 1)(rng) == 0; };
    auto token = [&] { return std::uniform_int_distribution<TokenId>(1, alphabet)(rng); };
    Pattern p;
    p.ordered = !chance(3);
    p.collector = CollectorStrategy::CollectPairs;
    for (size_t k = 0; k < n; ++k) {
      Event e = ev(token());
      if (chance(4)) e.block_token = token();
      if (chance(5)) e.min_dt = 1;
      if (chance(5)) e.max_dt = std::uniform_int_distribution<int>(0, 3)(rng);
      e.backtrackable = !chance(4);
      p.elements.push_back(e);
    }
    const size_t max_len = p.ordered ? cases.ordered_len : cases.unordered_len;
    const int span = static_cast<int>(max_len);  // about the time a stream covers
    if (chance(3)) p.max_dt = std::uniform_int_distribution<int>(1, 8 + span / 2)(rng);
    if (chance(5)) p.min_dt = 1;
    if (chance(5)) p.max_at = std::uniform_int_distribution<int>(3, 6 + span)(rng);
    const bool with_mid = chance(2);
    if (with_mid) {
      MidstreamCollector m;
      m.trie = trie_of({{token()}});
      m.collector = CollectorStrategy::Count;
      m.start_after_mask = chance(2) ? uint64_t{1} << std::uniform_int_distribution<size_t>(0, n - 1)(rng) : 0;
      m.stop_before_mask = chance(2) ? uint64_t{1} << std::uniform_int_distribution<size_t>(0, n - 1)(rng) : 0;
      p.midstream = m;
    }
    // The fast path does not read times, so it need not refuse a gap that
    // goes back: such streams are for the general search.
    if (cases.min_gap < 0 && fast_path_qualifies(p)) p.max_at = 1e300;
    const Stream s = random_stream(rng, max_len, alphabet, cases.min_gap);
    const std::vector<Row> expect = Model(p, s).rows();
    rows_seen += static_cast<int>(expect.size());
    const MatchBuffer got = run(p, s, false, true);
    if (!matches_model(got, expect, with_mid)) {
      if (++mismatches <= 3) std::printf("  model mismatch at iteration %d\n", iter);
    }
    if (!same_buffers(run(p, s, true, true), first_row(got))) ++first_mismatches;
    const bool first = chance(2);
    if (!run_into(p, s, first, true, reused) || !same_buffers(reused.buf, first ? first_row(got) : got))
      ++reuse_mismatches;
  }
  CHECK_EQ(mismatches, 0);
  CHECK_EQ(first_mismatches, 0);
  CHECK_EQ(reuse_mismatches, 0);
  CHECK(rows_seen > cases.min_rows);
}

}  // namespace

// Short streams over few tokens: dense matches, every step at most positions.
TEST(random_search_equals_model) { check_search_against_model({7, 4000, 2, 5, 14, 10, 0, 1000}); }

// Longer streams over more tokens, with times that go back now and then:
// most positions hold no token of the pattern, so the scans pass over them,
// and the duration cut must still fall where a visit of each would put it.
TEST(random_search_on_long_sparse_streams_equals_model) {
  check_search_against_model({11, 1500, 6, 16, 90, 30, -1, 1000});
}
