#include <algorithm>

#include "annotate/label_rules.hpp"

namespace tide {
namespace {

// Without resets the stream is one epoch: it counts as having its X when
// the first X comes no later than the first Y.
int8_t whole_stream_label(std::span<const uint64_t> x, std::span<const uint64_t> y) {
  if (!x.empty()) return !y.empty() && x.front() > y.front() ? 0 : 1;
  return y.empty() ? -1 : 0;
}

}  // namespace

Expected<std::vector<int8_t>> epoch_labels(size_t n, std::span<const uint64_t> x, std::span<const uint64_t> y,
                                           bool reset, CancelCheck& cancel) {
  if (!reset) return std::vector<int8_t>(n, whole_stream_label(x, y));
  std::vector<int8_t> out(n, -1);
  // Each Y closes the epoch [start, y], its own position included; the
  // trailing epoch after the last Y stays -1 unless an X is already in it.
  size_t start = 0, c = 0;
  for (const uint64_t end : y) {
    if (cancel.poll()) return cancelled();
    if (end < start || end >= n) continue;  // the positions of one reference are distinct and in the stream
    while (c < x.size() && x[c] < start) ++c;
    const bool has_x = c < x.size() && x[c] <= end;
    std::fill(out.begin() + static_cast<ptrdiff_t>(start), out.begin() + static_cast<ptrdiff_t>(end) + 1,
              static_cast<int8_t>(has_x));
    start = end + 1;
  }
  while (c < x.size() && x[c] < start) ++c;
  if (c < x.size()) std::fill(out.begin() + static_cast<ptrdiff_t>(start), out.end(), int8_t{1});
  return out;
}

}  // namespace tide
