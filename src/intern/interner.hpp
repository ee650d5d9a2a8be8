// The process-wide token interner: token text <-> dense TokenId.
#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "intern/text_index.hpp"
#include "types/expected.hpp"
#include "types/token_id.hpp"

namespace tide {

class Interner {
 public:
  // Ids are 32 bits wide: at most 2^32 distinct strings.
  static constexpr uint64_t kMaxTokens = uint64_t{1} << 32;

  explicit Interner(uint64_t max_tokens = kMaxTokens) : max_tokens_(max_tokens) {}
  Interner(const Interner&) = delete;
  Interner& operator=(const Interner&) = delete;

  // One string; the lock is taken once.
  Expected<TokenId> intern(std::string_view s);
  // A stream of `n` tokens, under one lock: `text_at(i)` gives the text of
  // token i, so callers need not copy views of a long stream first.
  template <class TextAt>
  Expected<std::vector<TokenId>> intern_stream(size_t n, const TextAt& text_at) {
    std::vector<TokenId> out(n);
    std::lock_guard<std::mutex> lock(mu_);
    for (size_t i = 0; i < n; ++i) {
      auto id = intern_locked(text_at(i));
      if (!id) return id.error();
      out[i] = *id;
    }
    return out;
  }
  // Texts of ids the interner gave out, under one lock. An unknown id is an
  // internal fault (std::out_of_range).
  std::vector<std::string> resolve_batch(std::span<const TokenId> ids) const;
  // Number of distinct strings held.
  uint64_t size() const;

 private:
  Expected<TokenId> intern_locked(std::string_view s);

  const uint64_t max_tokens_;
  mutable std::mutex mu_;
  std::deque<std::string> strings_;  // deque: texts never move, so the index can view them
  TextIndex index_;
};

// The single process-wide interner, created on first use.
Interner& global_interner();

// The message of the error returned when the table is full.
std::string interner_full_message(uint64_t max_tokens);

}  // namespace tide
