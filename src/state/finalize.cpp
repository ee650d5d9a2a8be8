#include "state/finalize.hpp"

#include <algorithm>

#include "types/quote.hpp"

namespace tide {
namespace {

Status resolve_timeouts(StateMachineDecl& m) {
  for (size_t i = 0; i < m.states.size(); ++i) {
    StateDef& d = m.states[i];
    if (!m.sustain_given[i])
      for (const EntryRule& e : m.entries)
        if (e.state == d.id) d.sustain.push_back(e.trigger);
    const auto& target = m.timeout_names[i];
    if (!target) continue;
    auto it = std::find(m.state_names.begin(), m.state_names.end(), *target);
    if (it == m.state_names.end())
      return value_error("State '" + m.state_names[d.id] + "' has timeout_to='" + *target +
                         "', which is not a declared state. Declared: " + quoted_list(m.state_names));
    const auto id = static_cast<StateId>(it - m.state_names.begin());
    if (id != 0) d.timeout_to = id;  // the base name: expire into the base state
  }
  return ok_status();
}

Status check_no_cycle(const StateMachineDecl& m) {
  std::vector<StateId> path;
  for (const StateDef& start : m.states) {
    path.assign(1, start.id);
    while (const auto& next = m.state(path.back()).timeout_to) {
      auto seen = std::find(path.begin(), path.end(), *next);
      if (seen == path.end()) {
        path.push_back(*next);
        continue;
      }
      std::string names;
      for (auto it = seen; it != path.end(); ++it) names += m.state_names[*it] + " -> ";
      names += m.state_names[*seen];
      return value_error("timeout_to forms a cycle: " + names +
                         ". A state reached only by timeout has no evidence of its own, so with no new data "
                         "the patient would alternate between these states indefinitely.");
    }
  }
  return ok_status();
}

}  // namespace

Expected<Snapshot> finalize(const StateMachineDecl& decl) {
  StateMachineDecl copy = decl;
  if (Status st = resolve_timeouts(copy); !st) return st.error();
  if (Status st = check_no_cycle(copy); !st) return st.error();
  return Snapshot(new FinalizedMachine(std::move(copy)));
}

}  // namespace tide
