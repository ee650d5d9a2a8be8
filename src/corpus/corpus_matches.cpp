#include "corpus/corpus_matches.hpp"

namespace tide {
namespace {

template <class T>
void append(std::vector<T>& to, const std::vector<T>& from) {
  to.insert(to.end(), from.begin(), from.end());
}

bool keeps_tokens(CollectorStrategy k) {
  return k == CollectorStrategy::CollectTokens || k == CollectorStrategy::CollectPairs;
}
bool keeps_times(CollectorStrategy k) {
  return k == CollectorStrategy::CollectTimes || k == CollectorStrategy::CollectPairs;
}

void append_collected(FlatCollected& out, const std::vector<double>& scalars,
                      const std::vector<std::vector<CollectedItem>>& lists) {
  if (!out.is_list()) {
    append(out.scalars, scalars);
    return;
  }
  const bool tokens = keeps_tokens(out.kind), times = keeps_times(out.kind);
  for (const auto& items : lists) {
    for (const CollectedItem& item : items) {
      if (tokens) out.tokens.push_back(item.token);
      if (times) out.times.push_back(item.time);
    }
    out.item_offsets.push_back(out.item_offsets.back() + static_cast<int64_t>(items.size()));
  }
}

void append_doc(CorpusMatches& out, const MatchBuffer& buf, size_t k) {
  if (buf.rows() == 0) return;  // most documents of a narrow query: nothing to append
  out.doc.insert(out.doc.end(), buf.rows(), static_cast<int64_t>(k));
  append(out.m_start, buf.m_start);
  append(out.m_end, buf.m_end);
  append(out.t_start, buf.t_start);
  append(out.t_end, buf.t_end);
  append(out.el_stream_idx, buf.el_stream_idx);
  append(out.el_times, buf.el_times);
  append_collected(out.result, buf.result_scalars, buf.result_lists);
  append_collected(out.mid, buf.mid_scalars, buf.mid_lists);
}

// Runs visit(k, buffer) after matching each document into one reused
// buffer; one cancellation step per document besides the engine's own.
template <class Visit>
Status each_doc(const Engine& engine, const CorpusView& corpus, bool first_only, CancelCheck& cancel, Visit visit) {
  MatchScratch scratch;
  for (size_t k = 0; k < corpus.n_docs(); ++k) {
    if (cancel.poll()) return cancelled();
    const Status st = match_stream_into(engine, corpus.doc(k), first_only, /*include_tokens=*/false, scratch, cancel);
    if (!st) return st;
    visit(k, scratch.buf);
  }
  return ok_status();
}

}  // namespace

FlatCollected::FlatCollected(CollectorStrategy k) : kind(k) {
  if (is_list()) item_offsets.push_back(0);
}

bool FlatCollected::is_list() const { return keeps_tokens(kind) || keeps_times(kind); }

Expected<CorpusMatches> match_corpus(const Engine& engine, const CorpusView& corpus, bool first_only,
                                     CancelCheck& cancel) {
  CorpusMatches out;
  out.n = engine.n;
  out.result = FlatCollected(engine.pattern.collector);
  if (engine.pattern.midstream) out.mid = FlatCollected(engine.pattern.midstream->collector);
  const Status st =
      each_doc(engine, corpus, first_only, cancel, [&](size_t k, const MatchBuffer& buf) { append_doc(out, buf, k); });
  if (!st) return st.error();
  return out;
}

Expected<std::vector<int64_t>> count_corpus_matches(const Engine& engine, const CorpusView& corpus,
                                                    CancelCheck& cancel) {
  std::vector<int64_t> counts(corpus.n_docs(), 0);
  const Status st = each_doc(engine, corpus, /*first_only=*/false, cancel,
                             [&](size_t k, const MatchBuffer& buf) { counts[k] = static_cast<int64_t>(buf.rows()); });
  if (!st) return st.error();
  return counts;
}

}  // namespace tide
