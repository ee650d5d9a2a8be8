// The fields of token and span references, state machines and annotation
// kinds, walked like those of a pattern (walk_pattern.hpp).
#pragma once

#include <memory>

#include "annotate/annotation_kind.hpp"
#include "codec/walk_pattern.hpp"
#include "state/finalize.hpp"
#include "state/state_machine_decl.hpp"

namespace tide::codec {

template <class Io>
void walk(Io& io, TokenRef& r) {
  io.variant(r.v, [&](auto& alt) {
    using A = std::decay_t<decltype(alt)>;
    if constexpr (std::is_same_v<A, TokenRef::Single>) {
      io.text(alt.token);
    } else if constexpr (std::is_same_v<A, TokenRef::Set>) {
      io.list(alt.tokens, [&](std::string& s) { io.text(s); });
    } else if constexpr (std::is_same_v<A, TokenRef::Sequences>) {
      walk(io, alt.trie);
    } else {
      walk(io, alt.pattern);
    }
  });
}

template <class Io>
void walk(Io& io, StateMachineDecl& m);

// A frozen machine is written as its declaration and read back as a new
// snapshot holding it (finalize() made the one that was written).
template <class Io>
void walk(Io& io, Snapshot& s) {
  if constexpr (Io::kDecoding) {
    StateMachineDecl decl;
    walk(io, decl);
    s = Snapshot(new FinalizedMachine(std::move(decl)));
  } else {
    walk(io, const_cast<FinalizedMachine&>(*s));
  }
}

template <class Io>
void walk(Io& io, SpanRef& r) {
  io.variant(r.v, [&](auto& alt) {
    using A = std::decay_t<decltype(alt)>;
    if constexpr (std::is_same_v<A, SpanRef::TokenPair>) {
      io.text(alt.start);
      io.text(alt.end);
    } else if constexpr (std::is_same_v<A, SpanRef::Pattern>) {
      walk(io, alt.pattern);
    } else {
      walk(io, alt.snapshot);
      walk_nums(io, alt.state, alt.valid_only);
    }
  });
}

template <class Io>
void walk(Io& io, StateDef& s) {
  io.list(s.sustain, [&](TriggerId& t) { io.num(t); });
  io.list(s.require, [&](TriggerId& t) { io.num(t); });
  io.maybe(s.timeout_to, [&](StateId& t) { io.num(t); });
  walk_nums(io, s.max_gap, s.min_duration, s.min_events, s.id, s.drop_unclosed);
  io.tag(s.gap_anchor, GapAnchor::Entry);
  io.tag(s.self_transition, SelfTransition::Ignore);
}

template <class Io>
void walk(Io& io, StateMachineDecl& m) {
  io.text(m.base_name);
  io.list(m.state_names, [&](std::string& s) { io.text(s); });
  io.list(m.triggers, [&](Trigger& t) {
    walk(io, t.ref);
    io.tag(t.anchor, Anchor::End);
  });
  io.map(m.trigger_keys, [&](std::string& k) { io.text(k); }, [&](TriggerId& t) { io.num(t); });
  io.list(m.states, [&](StateDef& s) { walk(io, s); });
  io.list(m.entries, [&](EntryRule& e) {
    io.list(e.from_states, [&](StateId& s) { io.num(s); });
    walk_nums(io, e.trigger, e.state);
  });
  io.list(m.exits, [&](ExitRule& e) { walk_nums(io, e.trigger, e.state, e.inclusive); });
  io.flags(m.sustain_given);
  io.list(m.timeout_names, [&](std::optional<std::string>& n) { io.maybe(n, [&](std::string& s) { io.text(s); }); });
}

template <class Io, class R>
void walk(Io& io, Windowed<R>& w) {
  walk(io, w.ref);
  io.num(w.window_t);
  io.num(w.partial_window);
}

template <class Io>
void walk(Io& io, AnnotKind& kind) {
  io.variant(kind, [&](auto& k) {
    using K = std::decay_t<decltype(k)>;
    if constexpr (std::is_same_v<K, BeforeEvent>) {
      walk(io, k.x);
      walk(io, k.y);
      io.num(k.reset);
    } else if constexpr (std::is_same_v<K, InSpan>) {
      walk(io, k.x);
      walk(io, k.span);
    } else if constexpr (std::is_same_v<K, WindowAggregate>) {
      walk(io, k.k);
      io.num(k.window_t);
      io.tag(k.agg, AggKind::Count);
      io.num(k.forward);
      io.num(k.partial_window);
    } else if constexpr (std::is_same_v<K, SpanAggregate>) {
      walk(io, k.k);
      walk(io, k.span);
      io.tag(k.agg, AggKind::Count);
    } else if constexpr (std::is_same_v<K, StateLabel>) {
      walk(io, k.machine);
      io.num(k.default_state);
      io.num(k.invalid_label);
    } else {
      walk(io, static_cast<Windowed<std::decay_t<decltype(k.ref)>>&>(k));
    }
  });
}

}  // namespace tide::codec
