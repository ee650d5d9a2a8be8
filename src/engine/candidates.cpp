#include "engine/candidates.hpp"

#include <cmath>
#include <type_traits>

namespace tide {
namespace {

// lo <= x <= hi, false when an operand is NaN.
inline bool within(double lo, double x, double hi) { return lo <= x && x <= hi; }

// The constraint of the first occurrence of x in `tokens` (Any past the end
// of `constraints`), or null when x does not occur.
inline const ValueConstraint* first_constraint(const std::vector<TokenId>& tokens,
                                               const std::vector<ValueConstraint>& constraints, TokenId x) {
  for (size_t j = 0; j < tokens.size(); ++j)
    if (tokens[j] == x) return &constraint_at(constraints, j);
  return nullptr;
}

// Whether some occurrence of x in `tokens` has a constraint accepting v.
inline bool any_occurrence_accepts(const std::vector<TokenId>& tokens, const std::vector<ValueConstraint>& constraints,
                                   TokenId x, double v) {
  for (size_t j = 0; j < tokens.size(); ++j)
    if (tokens[j] == x && constraint_at(constraints, j).accepts(v)) return true;
  return false;
}

inline void add_first_tokens(const Trie& trie, TokenScan& scan) {
  for (const auto& entry : trie.children) scan.add(entry.first);
}

inline uint64_t bit(uint32_t k) { return uint64_t{1} << k; }

inline bool in_bounds(const TimeBounds& b, double t, double dt) {
  return within(b.min_at, t, b.max_at) && within(b.min_dt, dt, b.max_dt);
}

}  // namespace

void CandidateTables::clear() {
  match.clear();
  block.clear();
  seq.clear();
  block_seq.clear();
  time.clear();
  resolved.clear();
}

ElementTests::ElementTests(const Pattern& pattern, const StreamView& stream, CancelCheck& cancel)
    : pattern_(pattern), stream_(stream), cancel_(cancel) {}

const ResolvedElement* ElementTests::resolve(const MappedEvent& m, const SpanTable& spans) {
  // The key: the tokens the source element matched, empty when there is no
  // slot for it (an index of 64 or more), nothing was recorded, or the span
  // does not fit in the stream.
  key_.clear();
  if (m.source_element < spans.size()) {
    const SpanSlot& slot = spans[m.source_element];
    if (slot.count != 0 && slot.start <= stream_.len && slot.count <= stream_.len - slot.start)
      key_.assign(stream_.tokens + slot.start, stream_.tokens + slot.start + slot.count);
  }
  const ResolvedElement* dflt = m.default_spec ? &*m.default_spec : nullptr;
  if (m.match_map.empty() || key_.empty()) return dflt;  // keys are never empty
  auto it = m.match_map.find(key_);
  return it != m.match_map.end() ? &it->second : dflt;
}

void ElementTests::build(CandidateTables& tables, uint64_t candidates, const TokenId* last_token,
                         const SpanTable& spans) {
  tables.clear();
  for (uint64_t rest = candidates; rest != 0; rest &= rest - 1) {
    const uint32_t k = static_cast<uint32_t>(__builtin_ctzll(rest));
    const PatternElement& el = element(k);
    switch (el.index()) {
      case kKindOf<Event>: {
        const auto& e = std::get<Event>(el);
        tables.match.push_back({e.match_token, k});
        if (e.block_token) tables.block.push_back({*e.block_token, k});
        break;
      }
      case kKindOf<EventSet>: {
        const auto& e = std::get<EventSet>(el);
        for (TokenId y : e.match_tokens) tables.match.push_back({y, k});
        for (TokenId y : e.block_tokens) tables.block.push_back({y, k});
        break;
      }
      case kKindOf<EventSeq>: {
        const auto& e = std::get<EventSeq>(el);
        tables.seq.push_back(k);
        if (e.block_trie) tables.block_seq.push_back(k);
        break;
      }
      case kKindOf<TimeEvent>: {
        for (TokenId y : std::get<TimeEvent>(el).block_tokens) tables.block.push_back({y, k});
        tables.time.push_back(k);
        break;
      }
      case kKindOf<DynamicTimeEvent>: {
        for (TokenId y : std::get<DynamicTimeEvent>(el).block_tokens) tables.block.push_back({y, k});
        tables.time.push_back(k);
        break;
      }
      case kKindOf<DynamicEvent>: {
        const auto& e = std::get<DynamicEvent>(el);
        if (e.match_from_last && last_token) tables.match.push_back({*last_token, k});
        for (TokenId y : e.block_tokens) tables.block.push_back({y, k});
        break;
      }
      case kKindOf<DynamicEventSet>: {
        const auto& e = std::get<DynamicEventSet>(el);
        for (TokenId y : e.match_tokens) tables.match.push_back({y, k});
        if (e.match_from_last && last_token) tables.match.push_back({*last_token, k});
        for (TokenId y : e.block_tokens) tables.block.push_back({y, k});
        if (e.block_from_last && last_token) tables.block.push_back({*last_token, k});
        break;
      }
      case kKindOf<MappedEvent>: {
        if (const ResolvedElement* spec = resolve(std::get<MappedEvent>(el), spans))
          tables.resolved.push_back({k, spec});
        break;
      }
    }
  }
}

bool ElementTests::mapped_block(CandidateTables& tables, TokenId x, double v) const {
  return tables.resolved.erase_if([&](const ResolvedEntry& r) {
    return any_occurrence_accepts(r.spec->block_tokens, r.spec->block_constraints, x, v);
  }) != 0;
}

uint64_t ElementTests::token_block(const CandidateTables& tables, TokenId x, double v) const {
  uint64_t retired = 0;
  for (const TokenEntry& b : tables.block) {
    if (b.token != x || (retired & bit(b.element))) continue;
    const PatternElement& el = element(b.element);
    bool applies;
    if (const auto* e = std::get_if<Event>(&el)) {
      applies = e->block_constraint.accepts(v);
    } else {
      const ValueConstraint* c = std::visit(
          [&](const auto& e) -> const ValueConstraint* {
            if constexpr (std::is_base_of_v<BlockTokens, std::decay_t<decltype(e)>>)
              return first_constraint(e.block_tokens, e.block_constraints, x);
            else
              return nullptr;  // not in the block list
          },
          el);
      // No static occurrence: the entry came from block_from_last.
      applies = c == nullptr || c->accepts(v);
    }
    if (applies) retired |= bit(b.element);
  }
  return retired;
}

void ElementTests::remove_retired(CandidateTables& tables, uint64_t retired) {
  auto entry_gone = [retired](const TokenEntry& e) { return (retired & bit(e.element)) != 0; };
  auto index_gone = [retired](uint32_t k) { return (retired & bit(k)) != 0; };
  tables.match.erase_if(entry_gone);
  tables.block.erase_if(entry_gone);
  tables.seq.erase_if(index_gone);
  tables.block_seq.erase_if(index_gone);
  tables.time.erase_if(index_gone);
}

bool ElementTests::sequence_block(CandidateTables& tables, size_t p) const {
  bool removed = false;
  for (uint32_t k : tables.block_seq) {
    const auto& e = std::get<EventSeq>(element(k));
    if (e.block_trie->match_at(stream_, p, &cancel_))
      removed |= tables.seq.erase_if([k](uint32_t s) { return s == k; }) != 0;
  }
  return removed;
}

void ElementTests::scan_tokens(const CandidateTables& tables, const Trie* midstream, TokenScan& scan) const {
  if (!tables.time.empty()) scan.add_every();
  for (const TokenEntry& m : tables.match) scan.add(m.token);
  for (const TokenEntry& b : tables.block) scan.add(b.token);
  for (uint32_t k : tables.seq) add_first_tokens(std::get<EventSeq>(element(k)).match_trie, scan);
  for (uint32_t k : tables.block_seq) add_first_tokens(*std::get<EventSeq>(element(k)).block_trie, scan);
  for (const ResolvedEntry& r : tables.resolved) {
    for (TokenId y : r.spec->block_tokens) scan.add(y);
    if (r.spec->seq_trie) {
      add_first_tokens(*r.spec->seq_trie, scan);
    } else {
      for (TokenId y : r.spec->match_tokens) scan.add(y);
    }
  }
  if (midstream) add_first_tokens(*midstream, scan);
}

void ElementTests::hit_test(const CandidateTables& tables, size_t p, TokenId x, double v, bool has_last,
                            double last_time, HitList& hits) const {
  hits.clear();
  // Bounds on the time at p and on its gap from the branch's last match.
  auto in_time = [&](const TimeBounds& b) {
    const double t = stream_.times[p];
    return in_bounds(b, t, has_last ? t - last_time : 0.0);
  };
  // 1. Sequence elements.
  for (uint32_t k : tables.seq) {
    const auto& e = std::get<EventSeq>(element(k));
    if (!in_time(e)) continue;
    if (auto c = e.match_trie.match_at(stream_, p, &cancel_)) hits.push_back({k, static_cast<uint32_t>(*c), true});
  }
  // 2. Time elements.
  for (uint32_t k : tables.time) {
    const PatternElement& el = element(k);
    bool hit;
    if (const auto* e = std::get_if<TimeEvent>(&el)) {
      hit = in_time(*e);
    } else {
      const auto& d = std::get<DynamicTimeEvent>(el);
      const double t = stream_.times[p], dt = has_last ? t - last_time : 0.0;
      const double a = has_last ? last_time : -kInf;
      const double lo = std::fmax(d.min_at, a + d.rel_min_dt);  // fmax, fmin ignore a NaN operand
      const double hi = std::fmin(d.max_at, a + d.rel_max_dt);
      hit = within(lo, t, hi) && 0.0 <= dt;
    }
    if (hit) hits.push_back({k, 1, false});
  }
  // 3. Mapped elements.
  for (const ResolvedEntry& r : tables.resolved) {
    const ResolvedElement& spec = *r.spec;
    if (!in_time(spec)) continue;
    if (spec.seq_trie) {
      if (auto c = spec.seq_trie->match_at(stream_, p, &cancel_))
        hits.push_back({r.element, static_cast<uint32_t>(*c), true});
    } else if (any_occurrence_accepts(spec.match_tokens, spec.match_constraints, x, v)) {
      hits.push_back({r.element, 1, false});
    }
  }
  // 4. Token elements.
  uint64_t token_hits = 0;
  for (const TokenEntry& m : tables.match) {
    if (m.token != x || (token_hits & bit(m.element))) continue;
    const bool hit = std::visit(
        [&](const auto& e) {
          using T = std::decay_t<decltype(e)>;
          if constexpr (std::is_same_v<T, Event> || std::is_same_v<T, DynamicEvent>) {
            return e.match_constraint.accepts(v) && in_time(e);
          } else if constexpr (std::is_same_v<T, EventSet> || std::is_same_v<T, DynamicEventSet>) {
            const ValueConstraint* c = first_constraint(e.match_tokens, e.match_constraints, x);
            // Not among the static tokens: an EventSet cannot be here, a
            // DynamicEventSet matched its last token, which is Any.
            const bool value_ok = c != nullptr ? c->accepts(v) : std::is_same_v<T, DynamicEventSet>;
            return value_ok && in_time(e);
          } else {
            return false;  // other kinds have no match-list entries
          }
        },
        element(m.element));
    if (hit) {
      token_hits |= bit(m.element);
      hits.push_back({m.element, 1, false});
    }
  }
}

}  // namespace tide
