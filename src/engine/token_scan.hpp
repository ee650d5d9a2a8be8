// Finding the next (or the last) stream position whose token is one of a set of ids, so
// that a scan passes over the positions where nothing it looks for can
// happen. Up to kMaxIds ids are compared exactly, with SSE2 (every x86-64)
// 16 positions at a time; a larger set is kept as a bitmap of hashed ids,
// which may also stop at a position holding some other id.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "types/token_id.hpp"

namespace tide {

class TokenScan {
 public:
  static constexpr size_t kMaxIds = 8;

  // Back to the empty set: no position is found.
  void clear() {
    if (large_) bits_ = {};
    count_ = 0;
    large_ = false;
    every_ = false;
  }

  // Adds x to the set.
  void add(TokenId x) {
    if (every_) return;
    if (large_) {
      set_bit(x);
      return;
    }
    for (size_t i = 0; i < count_; ++i)
      if (ids_[i] == x) return;
    if (count_ == kMaxIds) {
      large_ = true;
      for (TokenId y : ids_) set_bit(y);
      set_bit(x);
      return;
    }
#ifdef __SSE2__
    wide_[count_] = _mm_set1_epi32(static_cast<int>(x));
#endif
    ids_[count_++] = x;
  }

  // Finds every position: for a scan that must visit each one.
  void add_every() { every_ = true; }

  // True when next() may pass over positions.
  bool skips() const { return !every_; }

  // A position p in [from, len], len when none is found, such that no
  // position in [from, p) holds an id of the set. With at most kMaxIds ids
  // it is the first that holds one (or len); past that it may be earlier.
  size_t next(const TokenId* tokens, size_t from, size_t len) const {
    if (every_) return from;
    if (large_) {
      for (size_t p = from; p < len; ++p)
        if (hashed_hit(tokens[p])) return p;
      return len;
    }
    if (count_ == 0) return len;
#ifdef __SSE2__
    if (len >= 16) {
      size_t p = from;
      for (; p + 16 <= len; p += 16)
        if (const unsigned mask = block_mask(tokens + p)) return p + static_cast<size_t>(__builtin_ctz(mask));
      if (p >= len) return len;
      // The last block overlaps the one before: its lanes before p are dropped.
      const size_t last = len - 16;
      const unsigned mask = block_mask(tokens + last) >> (p - last);
      return mask ? p + static_cast<size_t>(__builtin_ctz(mask)) : len;
    }
#endif
    for (size_t p = from; p < len; ++p)
      if (exact_hit(tokens[p])) return p;
    return len;
  }

  // The same search backwards: a position q in [from, to] such that no
  // position in [q, to) holds an id of the set. With at most kMaxIds ids it
  // is one past the last position that holds one (from when none); past
  // that it may be later.
  size_t last(const TokenId* tokens, size_t from, size_t to) const {
    if (every_) return to;
    if (large_) {
      for (size_t p = to; p > from; --p)
        if (hashed_hit(tokens[p - 1])) return p;
      return from;
    }
    if (count_ == 0) return from;
#ifdef __SSE2__
    if (to - from >= 16) {
      size_t p = to;
      for (; p - from >= 16; p -= 16)
        if (const unsigned mask = block_mask(tokens + p - 16)) return p - 16 + highest_lane(mask) + 1;
      if (p == from) return from;
      // The first block overlaps the one after: its lanes from p on are dropped.
      const unsigned mask = block_mask(tokens + from) & ((1u << (p - from)) - 1);
      return mask ? from + highest_lane(mask) + 1 : from;
    }
#endif
    for (size_t p = to; p > from; --p)
      if (exact_hit(tokens[p - 1])) return p;
    return from;
  }

 private:
  // Eight bits that differ for nearby ids, as interned ids are dense.
  static uint32_t hash(TokenId x) { return (x * 2654435761u) >> 24; }
  bool hashed_hit(TokenId x) const {
    const uint32_t h = hash(x);
    return bits_[h / 64] >> (h % 64) & 1;
  }
  bool exact_hit(TokenId x) const {
    for (size_t i = 0; i < count_; ++i)
      if (x == ids_[i]) return true;
    return false;
  }
  void set_bit(TokenId x) {
    const uint32_t h = hash(x);
    bits_[h / 64] |= uint64_t{1} << (h % 64);
  }

#ifdef __SSE2__
  // Bit j set when tokens[j] is in the (non-empty) set, for j < 16.
  unsigned block_mask(const TokenId* tokens) const {
    const auto* block = reinterpret_cast<const __m128i*>(tokens);
    const __m128i a = _mm_loadu_si128(block), b = _mm_loadu_si128(block + 1);
    const __m128i c = _mm_loadu_si128(block + 2), d = _mm_loadu_si128(block + 3);
    __m128i ea = _mm_cmpeq_epi32(a, wide_[0]), eb = _mm_cmpeq_epi32(b, wide_[0]);
    __m128i ec = _mm_cmpeq_epi32(c, wide_[0]), ed = _mm_cmpeq_epi32(d, wide_[0]);
    for (size_t i = 1; i < count_; ++i) {
      ea = _mm_or_si128(ea, _mm_cmpeq_epi32(a, wide_[i]));
      eb = _mm_or_si128(eb, _mm_cmpeq_epi32(b, wide_[i]));
      ec = _mm_or_si128(ec, _mm_cmpeq_epi32(c, wide_[i]));
      ed = _mm_or_si128(ed, _mm_cmpeq_epi32(d, wide_[i]));
    }
    // Lanes of -1 or 0 narrow to one byte each, in stream order.
    const __m128i bytes = _mm_packs_epi16(_mm_packs_epi32(ea, eb), _mm_packs_epi32(ec, ed));
    return static_cast<unsigned>(_mm_movemask_epi8(bytes));
  }

  static size_t highest_lane(unsigned mask) { return static_cast<size_t>(31 - __builtin_clz(mask)); }

  __m128i wide_[kMaxIds];  // ids_[i] in each of four lanes
#endif
  TokenId ids_[kMaxIds];
  size_t count_ = 0;
  std::array<uint64_t, 4> bits_{};  // when large_: bit hash(x) set for every id added
  bool large_ = false;              // more than kMaxIds ids: next() reads bits_
  bool every_ = false;
};

}  // namespace tide
