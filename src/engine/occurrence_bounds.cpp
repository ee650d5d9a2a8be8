#include "engine/occurrence_bounds.hpp"

#include <algorithm>

namespace tide {
namespace {

// Non-decreasing, and free of NaN. Walked in blocks charged to `cancel`
// one position each, the block's pairs compared without a branch per pair
// so that the comparisons run several at a time.
bool sorted_times(const StreamView& s, CancelCheck& cancel) {
  constexpr size_t kBlock = 1024;
  for (size_t from = 1; from < s.len; from += kBlock) {
    const size_t to = std::min(s.len, from + kBlock);
    if (cancel.charge(to - from)) return false;
    bool ok = true;
    for (size_t p = from; p < to; ++p) ok &= s.times[p - 1] <= s.times[p];
    if (!ok) return false;
  }
  return s.len == 0 || s.times[0] == s.times[0];
}

}  // namespace

bool OccurrenceBounds::sorted(CancelCheck& cancel) {
  if (sorted_ == Sorted::kUnknown) sorted_ = sorted_times(stream_, cancel) ? Sorted::kYes : Sorted::kNo;
  return sorted_ == Sorted::kYes;
}

bool OccurrenceBounds::locate(const FirstTokenIndex& index, const StreamView& s, CancelCheck& cancel) {
  index_ = &index;
  std::fill_n(last_.begin(), index.size(), SIZE_MAX);
  len_ = s.len;
  stream_ = s;
  sorted_ = Sorted::kUnknown;
  times_ = index.timed() && sorted(cancel) ? s.times : nullptr;
  // Backwards from the end, from one position holding a first token to the
  // one before it, each position passed over charged as one examined.
  uint64_t unseen = index.fixed();
  for (size_t p = s.len; p > 0 && unseen != 0;) {
    const size_t q = index.scan().last(s.tokens, 0, p);
    const size_t at = q == 0 ? 0 : q - 1;  // the position examined last
    if (cancel.charge(p - at)) return false;
    if (q == 0) break;
    const uint64_t found = index.elements_of(s.tokens[at]) & unseen;
    for (uint64_t rest = found; rest != 0; rest &= rest - 1) last_[__builtin_ctzll(rest)] = at;
    unseen &= ~found;
    p = at;
  }
  return unseen == 0;
}

}  // namespace tide
