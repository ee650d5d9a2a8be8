#include "state/builder.hpp"

#include <algorithm>
#include <cmath>

#include "types/word_table.hpp"

namespace tide {
namespace {

constexpr Word<GapAnchor> kGapAnchorWords[] = {
    {"sustain", GapAnchor::Sustain}, {"any_event", GapAnchor::AnyEvent}, {"entry", GapAnchor::Entry}};
constexpr WordTable<GapAnchor> kGapAnchors{"gap_anchor", kGapAnchorWords};

constexpr Word<SelfTransition> kSelfTransitionWords[] = {
    {"refresh", SelfTransition::Refresh}, {"restart", SelfTransition::Restart}, {"ignore", SelfTransition::Ignore}};
constexpr WordTable<SelfTransition> kSelfTransitions{"self_transition", kSelfTransitionWords};

// A declared state other than the base one; `base_message` names the rule.
Expected<StateId> find_rule_target(const StateMachineDecl& m, std::string_view state, const char* base_message) {
  auto id = find_state(m, state);
  if (id && *id == 0) return value_error(base_message + std::string(state) + "'");
  return id;
}

}  // namespace

Expected<StateDraft> check_state(const StateMachineDecl& m, const StateOptions& opts) {
  const std::string& name = opts.name;
  if (std::find(m.state_names.begin(), m.state_names.end(), name) != m.state_names.end())
    return value_error("Duplicate state name '" + name + "'");
  auto gap_anchor = kGapAnchors.parse(opts.gap_anchor);
  if (!gap_anchor) return gap_anchor.error();
  auto self_transition = kSelfTransitions.parse(opts.self_transition);
  if (!self_transition) return self_transition.error();
  if (opts.timeout_to) {
    if (!std::isfinite(opts.max_gap))
      return value_error("State '" + name + "' has timeout_to='" + *opts.timeout_to +
                         "' but no finite max_gap, so it never expires and timeout_to would never apply.");
    if (*opts.timeout_to == name) return value_error("State '" + name + "' cannot time out into itself.");
  }
  StateDraft d{name, {}, opts.timeout_to};
  d.def.max_gap = opts.max_gap;
  d.def.min_duration = opts.min_duration;
  d.def.min_events = opts.min_events;
  d.def.drop_unclosed = opts.drop_unclosed;
  d.def.gap_anchor = *gap_anchor;
  d.def.self_transition = *self_transition;
  return d;
}

void add_state(StateMachineDecl& m, StateDraft draft, std::optional<TokenRef> sustain, std::vector<TokenRef> require) {
  StateDef& def = draft.def;
  def.id = static_cast<StateId>(m.state_names.size());
  if (sustain) def.sustain = {add_trigger(m, std::move(*sustain), Anchor::End)};
  for (auto& r : require) def.require.push_back(add_trigger(m, std::move(r), Anchor::End));
  m.state_names.push_back(std::move(draft.name));
  m.states.push_back(std::move(def));
  m.sustain_given.push_back(sustain.has_value());
  m.timeout_names.push_back(std::move(draft.timeout_to));
}

Expected<EntryDraft> check_entry(const StateMachineDecl& m, std::string_view state,
                                 const std::vector<std::string>& from_states, std::string_view anchor) {
  auto target = find_rule_target(m, state, "Cannot add an entry rule for the base state '");
  if (!target) return target.error();
  EntryDraft d;
  d.rule.state = *target;
  for (const auto& name : from_states) {
    auto id = find_state(m, name);
    if (!id) return id.error();
    d.rule.from_states.push_back(*id);
  }
  auto a = parse_anchor(anchor);
  if (!a) return a.error();
  d.anchor = *a;
  return d;
}

void add_entry(StateMachineDecl& m, EntryDraft draft, TokenRef trigger) {
  draft.rule.trigger = add_trigger(m, std::move(trigger), draft.anchor);
  m.entries.push_back(std::move(draft.rule));
}

Expected<ExitDraft> check_exit(const StateMachineDecl& m, std::string_view state, bool inclusive,
                               std::string_view anchor) {
  auto target = find_rule_target(m, state, "Cannot add an exit rule for the base state '");
  if (!target) return target.error();
  auto a = parse_anchor(anchor);
  if (!a) return a.error();
  ExitDraft d;
  d.rule.state = *target;
  d.rule.inclusive = inclusive;
  d.anchor = *a;
  return d;
}

void add_exit(StateMachineDecl& m, ExitDraft draft, TokenRef trigger) {
  draft.rule.trigger = add_trigger(m, std::move(trigger), draft.anchor);
  m.exits.push_back(draft.rule);
}

}  // namespace tide
