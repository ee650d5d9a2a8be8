// Candidate tables and the block and hit tests of the pending elements at a
// scanned position.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/small_vec.hpp"
#include "engine/token_scan.hpp"
#include "types/cancel.hpp"
#include "types/pattern.hpp"
#include "types/stream.hpp"
#include "types/token_id.hpp"

namespace tide {

// A token that makes `element` a possible hit (match list) or may retire it
// (block list).
struct TokenEntry {
  TokenId token;
  uint32_t element;
};

// A pending MappedEvent and the spec chosen for it in this scan.
struct ResolvedEntry {
  uint32_t element;
  const ResolvedElement* spec;
};

// A pending element that matches at a position, consuming `count` tokens.
struct Hit {
  uint32_t element;
  uint32_t count;
  bool sequence;
};

// Slot k: where element k's last recorded match starts and how many tokens
// it covers (the search's span table; all zero at the start of a search).
struct SpanSlot {
  size_t start = 0;
  size_t count = 0;
};
using SpanTable = std::array<SpanSlot, kMaxPatternElements>;

using HitList = SmallVec<Hit, 4>;

// One set per scan. Each list keeps insertion order and may hold duplicates.
struct CandidateTables {
  SmallVec<TokenEntry, 32> match;
  SmallVec<TokenEntry, 8> block;
  SmallVec<uint32_t, kMaxPatternElements> seq;        // pending EventSeq
  SmallVec<uint32_t, kMaxPatternElements> block_seq;  // pending EventSeq with a block_trie
  SmallVec<uint32_t, kMaxPatternElements> time;       // pending TimeEvent, DynamicTimeEvent
  SmallVec<ResolvedEntry, 4> resolved;                // pending MappedEvent

  void clear();
  // No pending element is left that could still hit (the four lists that
  // the scan consults before ending).
  bool nothing_to_match() const { return match.empty() && seq.empty() && time.empty() && resolved.empty(); }
};

// The element tests of one call: reads the pattern's elements and the
// stream, and keeps the scratch the table build needs so that it allocates
// nothing in the steady state. Sequence walks charge `cancel`; a walk it
// stops counts as no match, and the search sees cancel.stopped().
class ElementTests {
 public:
  ElementTests(const Pattern& pattern, const StreamView& stream, CancelCheck& cancel);

  // Fills `tables` (cleared first) for the elements whose bits are set in
  // `candidates`, in increasing index order. `last_token` is the first token
  // of the element matched last on the branch, null when none. A MappedEvent whose
  // spec cannot be resolved from `spans` is left out.
  void build(CandidateTables& tables, uint64_t candidates, const TokenId* last_token, const SpanTable& spans);

  // The spec a MappedEvent uses on this branch, or null when it has none.
  const ResolvedElement* resolve(const MappedEvent& m, const SpanTable& spans);

  // Removes the mapped candidates that token x with value v blocks; true when
  // any was removed.
  bool mapped_block(CandidateTables& tables, TokenId x, double v) const;

  // The elements (as a bit mask) that the block list retires at token x with
  // value v.
  uint64_t token_block(const CandidateTables& tables, TokenId x, double v) const;

  // Removes the retired elements from the match, block, sequence,
  // block-sequence and time lists.
  static void remove_retired(CandidateTables& tables, uint64_t retired);

  // Removes from the sequence list each element whose block_trie finds a
  // sequence at p; true when any was removed.
  bool sequence_block(CandidateTables& tables, size_t p) const;

  // Adds to `scan` every token at which a step of a scan over `tables` could
  // act: match and block tokens, the first tokens of pending sequences and
  // sequence blocks, the tokens of the resolved specs, and those of the
  // midstream trie when it collects in this scan (null otherwise). A pending
  // time element may hit anywhere: then every position is found.
  void scan_tokens(const CandidateTables& tables, const Trie* midstream, TokenScan& scan) const;

  // Appends to `hits` (cleared first) the pending elements that match at p
  // (token x, value v; the branch's last match at `last_time` when
  // `has_last`): sequence, time, mapped, then token elements, each group in
  // table order, each element at most once. The time at p is read only for
  // an element whose token and value accept it.
  void hit_test(const CandidateTables& tables, size_t p, TokenId x, double v, bool has_last, double last_time,
                HitList& hits) const;

 private:
  const PatternElement& element(uint32_t k) const { return pattern_.elements[k]; }

  const Pattern& pattern_;
  StreamView stream_;
  CancelCheck& cancel_;
  std::vector<TokenId> key_;  // scratch for mapped resolution
};

}  // namespace tide
