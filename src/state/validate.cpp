#include "state/validate.hpp"

#include <algorithm>
#include <bit>

namespace tide {
namespace {

// Orders doubles as the IEEE total order does: -NaN < -inf < ... < -0 < +0 < ... < +inf < +NaN.
int64_t total_order_key(double x) {
  const auto bits = std::bit_cast<int64_t>(x);
  return bits ^ static_cast<int64_t>(static_cast<uint64_t>(bits >> 63) >> 1);
}

RejectReason reject_reason(const StateDef& d, const TriggerTable& table, const StateInstance& in) {
  if (d.drop_unclosed && in.close_reason == CloseReason::EndOfStream) return RejectReason::Unclosed;
  if (d.min_duration > 0 && in.t_end - in.t_start < d.min_duration) return RejectReason::TooShort;
  if (!in.timeout_entered && in.n_events < d.min_events) return RejectReason::TooFewEvents;
  for (TriggerId k : d.require)
    if (!table.fires_within(k, in.start_pos, in.end_pos)) return RejectReason::MissingRequired;
  return RejectReason::None;
}

}  // namespace

void order_instances(std::vector<StateInstance>& instances) {
  std::stable_sort(instances.begin(), instances.end(), [](const StateInstance& a, const StateInstance& b) {
    if (a.start_pos != b.start_pos) return a.start_pos < b.start_pos;
    return total_order_key(a.t_start) < total_order_key(b.t_start);
  });
}

void validate_instances(const StateMachineDecl& m, const TriggerTable& table, std::vector<StateInstance>& instances) {
  for (StateInstance& in : instances) {
    in.reject_reason = reject_reason(m.state(in.state), table, in);
    in.valid = in.reject_reason == RejectReason::None;
  }
}

}  // namespace tide
