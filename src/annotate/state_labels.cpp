#include <algorithm>

#include "annotate/label_rules.hpp"

namespace tide {

Expected<std::vector<int32_t>> state_labels(size_t n, const std::vector<StateInstance>& instances,
                                            int32_t default_state, int32_t invalid_label, CancelCheck& cancel) {
  std::vector<int32_t> out(n, default_state);
  if (n == 0) return out;
  // Invalid instances first, so that valid ones win where they overlap; an
  // empty instance (entered by a timeout and left at once) leaves no mark.
  for (const bool valid : {false, true}) {
    for (const StateInstance& inst : instances) {
      if (cancel.poll()) return cancelled();
      if (inst.valid != valid || inst.end_pos < inst.start_pos || inst.start_pos >= n) continue;
      const uint64_t end = std::min<uint64_t>(inst.end_pos, n - 1);
      const int32_t label = valid ? static_cast<int32_t>(inst.state) : invalid_label;
      std::fill(out.begin() + static_cast<ptrdiff_t>(inst.start_pos), out.begin() + static_cast<ptrdiff_t>(end) + 1,
                label);
    }
  }
  return out;
}

}  // namespace tide
