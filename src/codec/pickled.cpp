#include "codec/pickled.hpp"

#include "codec/walk_refs.hpp"

namespace tide::codec {

template <class Io>
void walk(Io& io, NamedKind& k) {
  io.text(k.name);
  walk(io, k.kind);
}

template <class Io>
void walk(Io& io, StateSpanParts& s) {
  walk(io, s.snapshot);
  walk_nums(io, s.state, s.valid_only);
}

}  // namespace tide::codec

namespace tide {
namespace {

template <class T>
Pickled encode(const T& value) {
  Encoder enc;
  codec::walk(enc, const_cast<T&>(value));  // the encoder only reads
  return std::move(enc).finish();
}

template <class T>
Expected<T> decode(const Pickled& p, T value) {
  Decoder dec(p);
  codec::walk(dec, value);
  if (Status st = dec.finish(); !st) return st.error();
  return value;
}

// The ids a machine's rules and states refer to exist. (Patterns need no
// check: any source element of a mapped event is allowed.)
bool refs_valid(const StateMachineDecl& m) {
  const size_t n_states = m.states.size(), n_triggers = m.triggers.size();
  auto trigger_ok = [&](TriggerId t) { return t < n_triggers; };
  auto state_ok = [&](StateId s) { return s <= n_states; };
  if (m.state_names.size() != n_states + 1 || m.sustain_given.size() != n_states || m.timeout_names.size() != n_states)
    return false;
  for (size_t i = 0; i < n_states; ++i) {
    const StateDef& s = m.states[i];
    if (s.id != i + 1 || (s.timeout_to && !state_ok(*s.timeout_to))) return false;
    for (TriggerId t : s.sustain)
      if (!trigger_ok(t)) return false;
    for (TriggerId t : s.require)
      if (!trigger_ok(t)) return false;
  }
  for (const EntryRule& e : m.entries) {
    if (e.state == 0 || !state_ok(e.state) || !trigger_ok(e.trigger)) return false;
    for (StateId s : e.from_states)
      if (!state_ok(s)) return false;
  }
  for (const ExitRule& e : m.exits)
    if (e.state == 0 || !state_ok(e.state) || !trigger_ok(e.trigger)) return false;
  return true;
}

bool state_valid(const Snapshot& s, StateId state) {
  return refs_valid(*s) && state != 0 && state < s->state_names.size();
}

bool refs_valid(const SpanRef& r) {
  const auto* s = std::get_if<SpanRef::State>(&r.v);
  return s == nullptr || state_valid(s->snapshot, s->state);
}

bool refs_valid(const AnnotKind& kind) {
  return std::visit(
      [](const auto& k) {
        using K = std::decay_t<decltype(k)>;
        if constexpr (std::is_same_v<K, InSpan> || std::is_same_v<K, SpanAggregate>)
          return refs_valid(k.span);
        else if constexpr (std::is_same_v<K, FutureSpanOccurrence> || std::is_same_v<K, PastSpanOccurrence>)
          return refs_valid(k.ref);
        else if constexpr (std::is_same_v<K, StateLabel>)
          return refs_valid(*k.machine);
        else
          return true;
      },
      kind);
}

template <class T>
Expected<T> checked(Expected<T> r, bool (*valid)(const T&)) {
  if (r && !valid(*r)) return corrupt_pickle();
  return r;
}

}  // namespace

Pickled pickle(const Pattern& p) { return encode(p); }
Pickled pickle(const std::string& name, const AnnotKind& kind) {
  Encoder enc;
  enc.text(const_cast<std::string&>(name));  // the encoder only reads
  codec::walk(enc, const_cast<AnnotKind&>(kind));
  return std::move(enc).finish();
}
Pickled pickle(const StateMachineDecl& m) { return encode(m); }
Pickled pickle(const StateSpanParts& s) { return encode(s); }

Expected<Pattern> unpickle_pattern(const Pickled& p) { return decode(p, Pattern{}); }

Expected<NamedKind> unpickle_annotation(const Pickled& p) {
  return checked<NamedKind>(decode(p, NamedKind{}), [](const NamedKind& x) { return refs_valid(x.kind); });
}

Expected<StateMachineDecl> unpickle_machine(const Pickled& p) {
  return checked<StateMachineDecl>(decode(p, StateMachineDecl{}),
                                   [](const StateMachineDecl& x) { return refs_valid(x); });
}

Expected<StateSpanParts> unpickle_state_span(const Pickled& p) {
  return checked<StateSpanParts>(decode(p, StateSpanParts{}),
                                 [](const StateSpanParts& x) { return state_valid(x.snapshot, x.state); });
}

}  // namespace tide
