// The fields of a pattern and of what it holds, walked in one fixed order
// by an Encoder or a Decoder (archive.hpp). The encoder only reads the
// fields it is handed.
#pragma once

#include <memory>

#include "codec/archive.hpp"
#include "types/pattern.hpp"
#include "types/trie.hpp"

namespace tide::codec {

template <class Io>
void walk(Io& io, ValueConstraint& c) {
  io.tag(c.kind, ValueConstraint::Kind::RequireNan);
  walk_nums(io, c.min, c.max);
}

template <class Io>
void walk_constraints(Io& io, std::vector<ValueConstraint>& v) {
  io.list(v, [&](ValueConstraint& c) { walk(io, c); });
}

template <class Io>
void walk_tokens(Io& io, std::vector<TokenId>& v) {
  io.list(v, [&](TokenId& t) { io.token(t); });
}

template <class Io>
void walk(Io& io, Trie& trie) {
  if (io.enter()) {
    io.num(trie.terminal);
    io.map(
        trie.children, [&](TokenId& t) { io.token(t); },
        [&](std::vector<TrieEdge>& edges) {
          io.list(edges, [&](TrieEdge& e) {
            walk(io, e.constraint);
            // Every edge leads to a node (the trie's copy and destructor rely on it).
            if constexpr (Io::kDecoding) e.child = std::make_unique<Trie>();
            walk(io, *e.child);
          });
        });
  }
  io.leave();
}

// The time bounds; an element's backtrackable flag is walked after all its
// other fields (see walk(Io&, Pattern&)).
template <class Io>
void walk_bounds(Io& io, TimeBounds& b) {
  walk_nums(io, b.min_dt, b.max_dt, b.min_at, b.max_at);
}

template <class Io>
void walk_bounds(Io& io, RelativeBounds& b) {
  walk_nums(io, b.rel_min_dt, b.rel_max_dt, b.min_at, b.max_at);
}

template <class Io>
void walk_matches(Io& io, MatchTokens& m) {
  walk_tokens(io, m.match_tokens);
  walk_constraints(io, m.match_constraints);
}

template <class Io>
void walk_blocks(Io& io, BlockTokens& b) {
  walk_tokens(io, b.block_tokens);
  walk_constraints(io, b.block_constraints);
}

template <class Io>
void walk(Io& io, Event& e) {
  io.token(e.match_token);
  walk(io, e.match_constraint);
  io.maybe(e.block_token, [&](TokenId& t) { io.token(t); });
  walk(io, e.block_constraint);
  walk_bounds(io, e);
}

template <class Io>
void walk(Io& io, EventSet& e) {
  walk_matches(io, e);
  walk_blocks(io, e);
  walk_bounds(io, e);
}

template <class Io>
void walk(Io& io, EventSeq& e) {
  walk(io, e.match_trie);
  io.maybe(e.block_trie, [&](Trie& t) { walk(io, t); });
  walk_bounds(io, e);
}

template <class Io>
void walk(Io& io, TimeEvent& e) {
  walk_blocks(io, e);
  walk_bounds(io, e);
}

template <class Io>
void walk(Io& io, DynamicTimeEvent& e) {
  walk_blocks(io, e);
  walk_bounds(io, e);
}

template <class Io>
void walk(Io& io, DynamicEvent& e) {
  walk(io, e.match_constraint);
  walk_blocks(io, e);
  walk_bounds(io, e);
  io.num(e.match_from_last);
}

template <class Io>
void walk(Io& io, DynamicEventSet& e) {
  walk_matches(io, e);
  walk_blocks(io, e);
  walk_bounds(io, e);
  walk_nums(io, e.match_from_last, e.block_from_last);
}

template <class Io>
void walk(Io& io, ResolvedElement& e) {
  walk_matches(io, e);
  walk_blocks(io, e);
  io.maybe(e.seq_trie, [&](Trie& t) { walk(io, t); });
  walk_bounds(io, e);
}

template <class Io>
void walk(Io& io, MappedEvent& e) {
  io.maybe(e.default_spec, [&](ResolvedElement& r) { walk(io, r); });
  io.map(
      e.match_map, [&](std::vector<TokenId>& key) { walk_tokens(io, key); }, [&](ResolvedElement& r) { walk(io, r); });
  uint64_t source = e.source_element;
  io.num(source);
  e.source_element = static_cast<size_t>(source);
}

template <class Io>
void walk(Io& io, MidstreamCollector& m) {
  walk_nums(io, m.start_after_mask, m.stop_before_mask);
  walk(io, m.trie);
  io.tag(m.collector, CollectorStrategy::CollectPairs);
}

template <class Io>
void walk(Io& io, Pattern& p) {
  io.list(p.elements, [&](PatternElement& el) {
    io.variant(el, [&](auto& e) {
      walk(io, e);
      io.num(e.backtrackable);
    });
  });
  io.maybe(p.midstream, [&](MidstreamCollector& m) { walk(io, m); });
  walk_nums(io, p.min_dt, p.max_dt, p.min_at, p.max_at, p.ordered);
  io.tag(p.collector, CollectorStrategy::CollectPairs);
}

}  // namespace tide::codec
