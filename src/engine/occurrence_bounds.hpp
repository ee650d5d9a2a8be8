// Bounds that let the general search drop a branch that cannot complete:
// every pending element needs a position of its own at or after the
// branch's scan start; an element with fixed first tokens needs one holding
// such a token; and when the times are non-decreasing, one at a time no
// later than the element's and the pattern's max_at. Dropping such a branch
// loses no match and moves none, since the branch could push none.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "engine/first_token_index.hpp"
#include "types/cancel.hpp"
#include "types/stream.hpp"

namespace tide {

class OccurrenceBounds {
 public:
  // Finds, for each element with fixed first tokens, the last position that
  // holds one of them, walking back from the end of the stream until every
  // such element is seen, and whether the times are non-decreasing when
  // some element has a time bound. False when some element's tokens never
  // occur (then no match exists) or when `cancel` stopped the walk. `index`
  // must outlive the calls that follow.
  bool locate(const FirstTokenIndex& index, const StreamView& s, CancelCheck& cancel);

  // Whether the times of the stream given to locate() are non-decreasing
  // and free of NaN; walked once, on the first call, and kept. False too
  // when `cancel` stopped the walk.
  bool sorted(CancelCheck& cancel);

  // Whether the pending elements (bits of `pending`) may all still match in
  // positions pos, pos + 1, ...: enough positions are left, and each element
  // has one of them that holds one of its first tokens and whose time is
  // within its bound.
  bool reachable(uint64_t pending, size_t pos) const {
    if (static_cast<size_t>(__builtin_popcountll(pending)) > len_ - pos) return false;
    const double t = times_ != nullptr ? times_[pos] : -kInf;
    for (uint64_t rest = pending; rest != 0; rest &= rest - 1) {
      const int k = __builtin_ctzll(rest);
      if (last_[k] < pos || t > index_->latest(k)) return false;
    }
    return true;
  }

 private:
  const FirstTokenIndex* index_ = nullptr;
  std::array<size_t, kMaxPatternElements> last_{};  // SIZE_MAX: may match anywhere
  const double* times_ = nullptr;                   // set when the bounds by time apply
  size_t len_ = 0;
  StreamView stream_{};
  enum class Sorted : uint8_t { kUnknown, kYes, kNo } sorted_ = Sorted::kUnknown;
};

}  // namespace tide
