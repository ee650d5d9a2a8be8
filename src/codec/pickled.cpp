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
  io.num(s.state);
  io.num(s.valid_only);
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

Error corrupt() { return value_error("corrupt pickled tidemark object"); }

// Each mapped element reads the tokens of an element before it.
bool refs_valid(const Pattern& p) {
  for (size_t i = 0; i < p.elements.size(); ++i)
    if (const auto* m = std::get_if<MappedEvent>(&p.elements[i]); m && m->source_element >= i) return false;
  return true;
}

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
  for (const Trigger& t : m.triggers)
    if (const auto* p = std::get_if<TokenRef::Pattern>(&t.ref.v); p && !refs_valid(p->pattern)) return false;
  return true;
}

bool refs_valid(const TokenRef& r) {
  const auto* p = std::get_if<TokenRef::Pattern>(&r.v);
  return p == nullptr || refs_valid(p->pattern);
}

bool state_valid(const Snapshot& s, StateId state) {
  return refs_valid(*s) && state != 0 && state < s->state_names.size();
}

bool refs_valid(const SpanRef& r) {
  if (const auto* p = std::get_if<SpanRef::Pattern>(&r.v)) return refs_valid(p->pattern);
  if (const auto* s = std::get_if<SpanRef::State>(&r.v)) return state_valid(s->snapshot, s->state);
  return true;
}

bool refs_valid(const AnnotKind& kind) {
  return std::visit(
      [](const auto& k) {
        using K = std::decay_t<decltype(k)>;
        if constexpr (std::is_same_v<K, BeforeEvent>)
          return refs_valid(k.x) && refs_valid(k.y);
        else if constexpr (std::is_same_v<K, InSpan>)
          return refs_valid(k.x) && refs_valid(k.span);
        else if constexpr (std::is_same_v<K, WindowAggregate>)
          return refs_valid(k.k);
        else if constexpr (std::is_same_v<K, SpanAggregate>)
          return refs_valid(k.k) && refs_valid(k.span);
        else if constexpr (std::is_same_v<K, StateLabel>)
          return refs_valid(*k.machine);
        else
          return refs_valid(k.ref);
      },
      kind);
}

template <class T>
Expected<T> checked(Expected<T> r, bool (*valid)(const T&)) {
  if (r && !valid(*r)) return corrupt();
  return r;
}

}  // namespace

Pickled pickle(const Pattern& p) { return encode(p); }
Pickled pickle(const NamedKind& k) { return encode(k); }
Pickled pickle(const StateMachineDecl& m) { return encode(m); }
Pickled pickle(const StateSpanParts& s) { return encode(s); }

Expected<Pattern> unpickle_pattern(const Pickled& p) {
  return checked<Pattern>(decode(p, Pattern{}), [](const Pattern& x) { return refs_valid(x); });
}

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
