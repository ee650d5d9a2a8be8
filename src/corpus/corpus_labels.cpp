#include "corpus/corpus_labels.hpp"

#include <variant>

namespace tide {

Expected<LabelColumn> annotate_corpus(const AnnotKind& kind, const CorpusView& corpus, CancelCheck& cancel) {
  // The kind's column over an empty stream gives the column's type.
  auto out = evaluate(kind, StreamView{}, cancel);
  if (!out) return out.error();
  std::visit([&](auto& v) { v.reserve(corpus.end_row() - corpus.first_row()); }, *out);
  for (size_t k = 0; k < corpus.n_docs(); ++k) {
    if (cancel.poll()) return cancelled();
    auto column = evaluate(kind, corpus.doc(k), cancel);
    if (!column) return column.error();
    std::visit(
        [&](auto& to) {
          const auto& from = std::get<std::decay_t<decltype(to)>>(*column);
          to.insert(to.end(), from.begin(), from.end());
        },
        *out);
  }
  return out;
}

}  // namespace tide
