// The duration cut over a run of positions that a scan passes over: whether
// one of them lies more than the pattern's max_dt after the branch's start.
// With SSE2 (every x86-64) it tests eight times per step.
#pragma once

#include <cstddef>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace tide {

// True when some p in [from, to) has times[p] - t_start > max_dt, computed
// as the scan computes it at one position (a NaN difference cuts nothing).
inline bool cut_in(const double* times, size_t from, size_t to, double t_start, double max_dt) {
  size_t p = from;
#ifdef __SSE2__
  const __m128d start = _mm_set1_pd(t_start), limit = _mm_set1_pd(max_dt);
  for (; p + 8 <= to; p += 8) {
    const __m128d a = _mm_cmpgt_pd(_mm_sub_pd(_mm_loadu_pd(times + p), start), limit);
    const __m128d b = _mm_cmpgt_pd(_mm_sub_pd(_mm_loadu_pd(times + p + 2), start), limit);
    const __m128d c = _mm_cmpgt_pd(_mm_sub_pd(_mm_loadu_pd(times + p + 4), start), limit);
    const __m128d d = _mm_cmpgt_pd(_mm_sub_pd(_mm_loadu_pd(times + p + 6), start), limit);
    if (_mm_movemask_pd(_mm_or_pd(_mm_or_pd(a, b), _mm_or_pd(c, d)))) return true;
  }
#endif
  for (; p < to; ++p)
    if (times[p] - t_start > max_dt) return true;
  return false;
}

}  // namespace tide
