// Every match (or the first) of one pattern in every document of a corpus,
// appended into one set of flat columns.
#pragma once

#include <cstdint>
#include <vector>

#include "corpus/corpus_view.hpp"
#include "engine/engine.hpp"
#include "types/cancel.hpp"
#include "types/collector.hpp"
#include "types/expected.hpp"

namespace tide {

// One collector's results for all matches. Scalar kinds (sum_times, count)
// keep one value per match. List kinds keep their items one after another:
// match m's items are [item_offsets[m], item_offsets[m + 1]), with the token
// ids (collect_tokens, collect_pairs) and times (collect_times,
// collect_pairs) of the items.
struct FlatCollected {
  CollectorStrategy kind = CollectorStrategy::None;
  std::vector<double> scalars;
  std::vector<int64_t> item_offsets;
  std::vector<TokenId> tokens;
  std::vector<double> times;

  explicit FlatCollected(CollectorStrategy k = CollectorStrategy::None);
  bool is_list() const;
};

// The columns of the single-stream result, with the document of each match
// first; positions are within the document.
struct CorpusMatches {
  size_t n = 0;  // elements per match
  std::vector<int64_t> doc;
  std::vector<size_t> m_start, m_end;
  std::vector<double> t_start, t_end;
  std::vector<size_t> el_stream_idx;  // n per match, row-major
  std::vector<double> el_times;       // n per match, row-major
  FlatCollected result;               // the pattern's collector
  FlatCollected mid;                  // the midstream collector (kind None without one)

  size_t rows() const { return doc.size(); }
};

// Documents in order, each matched as its own stream, so matches come in
// document order and, within a document, in the single-stream search order.
// Fails with the engine's error (a cancellation included).
Expected<CorpusMatches> match_corpus(const Engine& engine, const CorpusView& corpus, bool first_only,
                                     CancelCheck& cancel);

// The number of matches of every document.
Expected<std::vector<int64_t>> count_corpus_matches(const Engine& engine, const CorpusView& corpus,
                                                    CancelCheck& cancel);

}  // namespace tide
