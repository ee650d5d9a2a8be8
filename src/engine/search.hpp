// The general matcher: a depth-first search over partial matches with
// continuations.
#pragma once

#include <memory>

#include "engine/match_buffer.hpp"
#include "types/cancel.hpp"
#include "types/expected.hpp"
#include "types/stream.hpp"

namespace tide {

struct Engine;
struct SearchMemory;

// The search's working memory (stack, cell pool, candidate tables, scratch
// lists), made by the first search that needs it and kept for the next, so
// that a caller running one search after another reuses its capacity.
class SearchScratch {
 public:
  SearchScratch();
  ~SearchScratch();
  SearchScratch(const SearchScratch&) = delete;
  SearchScratch& operator=(const SearchScratch&) = delete;

  SearchMemory& memory();

 private:
  std::unique_ptr<SearchMemory> memory_;
};

// Appends every match of the engine's pattern in `stream` (only the first
// when first_only) to `buf`, in depth-first order. Requires stream.len >= 1
// and 1 <= engine.n <= 64. Fails only with cancelled() when `cancel` asks;
// `buf` then holds the matches found so far.
Status match_full(const Engine& engine, const StreamView& stream, bool first_only, MatchBuffer& buf,
                  CancelCheck& cancel, SearchScratch& scratch);

}  // namespace tide
