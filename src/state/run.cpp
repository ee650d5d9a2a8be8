#include "state/run.hpp"

#include <algorithm>

#include "state/trigger_table.hpp"
#include "state/validate.hpp"

namespace tide {
namespace {

// What the entry rules did at a position.
enum class Entered { Nothing, Opened, Refreshed };

bool bit(uint64_t mask, TriggerId k) { return (mask >> k) & 1; }

// The single forward pass. At most one instance is open; positions outside
// every instance belong to the base state.
class Pass {
 public:
  Pass(const StateMachineDecl& m, const StreamView& s, TriggerTable& table) : m_(m), s_(s), table_(table) {
    sustain_masks_.assign(m.states.size(), 0);
    for (const StateDef& d : m.states)
      for (TriggerId k : d.sustain) sustain_masks_[d.id - 1] |= uint64_t{1} << k;
    for (const EntryRule& r : m.entries) entry_mask_ |= uint64_t{1} << r.trigger;
    for (const ExitRule& r : m.exits) exit_mask_ |= uint64_t{1} << r.trigger;
  }

  void step(size_t i) {
    const double now = s_.times[i];
    expire(i, now);
    const uint64_t fired = table_.mask(i);
    const Entered entered = fired & entry_mask_ ? enter(i, now, fired) : Entered::Nothing;
    if (!is_open_) return;
    take_evidence(now, fired, entered);
    if (entered != Entered::Opened && fired & exit_mask_) leave(i, now, fired);
  }

  std::vector<StateInstance> finish() {
    const size_t n = s_.len;
    const double last = s_.times[n - 1];
    expire(n, last);
    if (is_open_)
      close(open_.timeout_entered ? n - 1 : std::max<uint64_t>(open_.start_pos, n - 1), last, CloseReason::EndOfStream);
    return std::move(done_);
  }

 private:
  const StateDef& def() const { return m_.state(open_.state); }

  void open(StateId state, uint64_t start_pos, double t_start, uint64_t n_events, bool timeout_entered, double anchor) {
    open_ = StateInstance{};
    open_.start_pos = start_pos;
    open_.t_start = t_start;
    open_.n_events = n_events;
    open_.state = state;
    open_.timeout_entered = timeout_entered;
    is_open_ = true;
    anchor_ = anchor;
  }

  void close(uint64_t end_pos, double t_end, CloseReason why) {
    open_.end_pos = end_pos;
    open_.t_end = t_end;
    open_.close_reason = why;
    done_.push_back(open_);
    is_open_ = false;
    deadline_ = kInf;
  }

  // The last position of the open instance when a firing span starting at
  // `s` cuts it (a transition, a restart or a non-inclusive exit).
  uint64_t end_before(uint64_t s) const {
    if (open_.timeout_entered) return std::max(s, open_.start_pos) - 1;
    return std::max(s == 0 ? 0 : s - 1, open_.start_pos);
  }

  // Closes instances whose deadline lies strictly before `now`, each at its
  // deadline, following timeout_to chains; a chain stops after more
  // closings than there are states.
  void expire(size_t i, double now) {
    size_t closings = 0;
    while (is_open_ && deadline_ < now && closings <= m_.states.size()) {
      const double deadline = deadline_;
      const uint64_t start = open_.start_pos;
      const double* first = s_.times + std::min<uint64_t>(start, i);
      const auto c = static_cast<uint64_t>(std::upper_bound(first, s_.times + i, deadline) - first);
      const uint64_t end = c > 0 ? start + c - 1 : open_.timeout_entered ? start - 1 : start;
      const auto target = def().timeout_to;
      close(end, std::max(deadline, open_.t_start), CloseReason::Timeout);
      ++closings;
      if (!target) return;
      const StateInstance& closed = done_.back();
      open(*target, closed.end_pos + 1, closed.t_end, 0, true, closed.t_end);
      deadline_ = anchor_ + m_.state(*target).max_gap;
    }
  }

  // The first entry rule that fires at i from the current state decides.
  Entered enter(size_t i, double now, uint64_t fired) {
    const StateId current = is_open_ ? open_.state : 0;
    for (const EntryRule& r : m_.entries) {
      if (!bit(fired, r.trigger)) continue;
      if (!r.from_states.empty() &&
          std::find(r.from_states.begin(), r.from_states.end(), current) == r.from_states.end())
        continue;
      const uint64_t s = table_.firing(r.trigger, i).start;
      if (r.state == current) {
        switch (def().self_transition) {
          case SelfTransition::Refresh:
            ++open_.n_events;
            anchor_ = now;
            return Entered::Refreshed;
          case SelfTransition::Ignore:
            return Entered::Nothing;
          case SelfTransition::Restart:
            break;
        }
      }
      if (is_open_) close(end_before(s), s_.times[s], CloseReason::Transition);
      open(r.state, s, s_.times[s], 1, false, now);
      return Entered::Opened;
    }
    return Entered::Nothing;
  }

  // Sustain firings count as evidence and, with every event under
  // any_event, re-anchor the clock; the deadline follows the anchor.
  void take_evidence(double now, uint64_t fired, Entered entered) {
    const StateDef& d = def();
    if (fired & sustain_masks_[d.id - 1]) {
      if (entered == Entered::Nothing) ++open_.n_events;
      if (d.gap_anchor != GapAnchor::Entry) anchor_ = now;
    } else if (d.gap_anchor == GapAnchor::AnyEvent) {
      anchor_ = now;
    }
    deadline_ = anchor_ + d.max_gap;
  }

  void leave(size_t i, double now, uint64_t fired) {
    for (const ExitRule& r : m_.exits) {
      if (r.state != open_.state || !bit(fired, r.trigger)) continue;
      const TriggerHit& h = table_.firing(r.trigger, i);
      uint64_t end = end_before(h.start);
      if (r.inclusive) end = open_.timeout_entered ? h.end : std::max(open_.start_pos, h.end);
      close(end, now, CloseReason::ExitEvent);
      return;
    }
  }

  const StateMachineDecl& m_;
  const StreamView& s_;
  TriggerTable& table_;
  std::vector<uint64_t> sustain_masks_;  // per state, index id - 1
  uint64_t entry_mask_ = 0;
  uint64_t exit_mask_ = 0;
  std::vector<StateInstance> done_;
  StateInstance open_;
  bool is_open_ = false;
  double anchor_ = 0.0;
  double deadline_ = kInf;
};

}  // namespace

Expected<std::vector<StateInstance>> run_machine(const FinalizedMachine& machine, const StreamView& s,
                                                 CancelCheck& cancel) {
  auto table = TriggerTable::locate(machine, s, cancel);
  if (!table) return table.error();
  if (s.len == 0) return std::vector<StateInstance>{};
  Pass pass(machine, s, *table);
  for (size_t i = 0; i < s.len; ++i) {
    if (cancel.poll()) return cancelled();
    pass.step(i);
  }
  std::vector<StateInstance> instances = pass.finish();
  order_instances(instances);
  validate_instances(machine, *table, instances);
  return instances;
}

}  // namespace tide
