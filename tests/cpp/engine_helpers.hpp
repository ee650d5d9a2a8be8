// Helpers for the engine tests: streams, element shorthands and runs.
#pragma once

#include <cmath>
#include <utility>
#include <vector>

#include "engine/engine.hpp"
#include "engine/fast_path.hpp"
#include "types/pattern.hpp"
#include "types/trie.hpp"

namespace engine_test {

using namespace tide;

// Token ids used directly; no interning needed.
constexpr TokenId A = 1, B = 2, C = 3, D = 4, K = 5, Q = 6, X = 7, Y = 8, Z = 9, U = 10, W = 11;

struct Stream {
  std::vector<TokenId> tokens;
  std::vector<double> times;   // empty: 0, 1, 2, ...
  std::vector<double> values;  // empty: no values
  StreamView view() const {
    return {tokens.data(), times.data(), values.empty() ? nullptr : values.data(), tokens.size()};
  }
};

inline Stream stream(std::vector<TokenId> tokens, std::vector<double> times = {}, std::vector<double> values = {}) {
  Stream s{std::move(tokens), std::move(times), std::move(values)};
  if (s.times.empty())
    for (size_t i = 0; i < s.tokens.size(); ++i) s.times.push_back(static_cast<double>(i));
  return s;
}

inline Event ev(TokenId tok) {
  Event e;
  e.match_token = tok;
  return e;
}

inline Trie trie_of(std::vector<std::vector<TokenId>> seqs, std::vector<std::vector<ValueConstraint>> cons = {}) {
  Trie t;
  for (size_t i = 0; i < seqs.size(); ++i)
    t.insert_with_vals(
        seqs[i], i < cons.size() ? std::span<const ValueConstraint>(cons[i]) : std::span<const ValueConstraint>());
  return t;
}

inline Pattern pattern(std::vector<PatternElement> els, bool ordered = true) {
  Pattern p;
  p.elements = std::move(els);
  p.ordered = ordered;
  return p;
}

inline MatchBuffer run(const Pattern& p, const Stream& s, bool first_only = false, bool include_tokens = true) {
  Engine engine(p);
  CancelCheck cancel;
  auto r = match_stream(engine, s.view(), first_only, include_tokens, cancel);
  return r.ok() ? std::move(*r) : MatchBuffer{};
}

// The same run through match_stream_into, writing to reused.buf; `reused`
// may hold an earlier run's rows and search memory.
inline bool run_into(const Pattern& p, const Stream& s, bool first_only, bool include_tokens, MatchScratch& reused) {
  Engine engine(p);
  CancelCheck cancel;
  return match_stream_into(engine, s.view(), first_only, include_tokens, reused, cancel).ok();
}

using Spans = std::vector<std::pair<size_t, size_t>>;

inline Spans spans(const MatchBuffer& b) {
  Spans out;
  for (size_t i = 0; i < b.rows(); ++i) out.emplace_back(b.m_start[i], b.m_end[i]);
  return out;
}

// Slot positions of row `row`.
inline std::vector<size_t> slots(const MatchBuffer& b, size_t row) {
  return {b.el_stream_idx.begin() + row * b.n, b.el_stream_idx.begin() + (row + 1) * b.n};
}

// Every column equal, float columns compared bitwise-equal or both NaN.
inline bool same_floats(const std::vector<double>& a, const std::vector<double>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (!(a[i] == b[i] || (std::isnan(a[i]) && std::isnan(b[i])))) return false;
  return true;
}

inline bool same_buffers(const MatchBuffer& a, const MatchBuffer& b) {
  return a.m_start == b.m_start && a.m_end == b.m_end && same_floats(a.t_start, b.t_start) &&
         same_floats(a.t_end, b.t_end) && a.el_stream_idx == b.el_stream_idx && same_floats(a.el_times, b.el_times) &&
         a.el_token_ids == b.el_token_ids && a.el_token_counts == b.el_token_counts &&
         same_floats(a.result_scalars, b.result_scalars) && a.result_lists == b.result_lists &&
         same_floats(a.mid_scalars, b.mid_scalars) && a.mid_lists == b.mid_lists && a.n == b.n &&
         a.include_tokens == b.include_tokens;
}

}  // namespace engine_test
