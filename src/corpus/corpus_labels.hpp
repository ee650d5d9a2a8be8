// One label column over every document of a corpus.
#pragma once

#include "annotate/annotation_kind.hpp"
#include "annotate/evaluate.hpp"
#include "corpus/corpus_view.hpp"
#include "types/cancel.hpp"
#include "types/expected.hpp"

namespace tide {

// The kind's column of each document, evaluated as its own stream, written
// one after another: one entry per row of [first_row(), end_row()). Fails
// with the first document's error (a cancellation included).
Expected<LabelColumn> annotate_corpus(const AnnotKind& kind, const CorpusView& corpus, CancelCheck& cancel);

}  // namespace tide
