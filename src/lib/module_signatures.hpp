// The signatures of the module functions: each parameter's name and default,
// declared once, and the documentation after the generated text signature.
#pragma once

#include "lib/plumbing/signature.hpp"

namespace tide::py::sig {

inline constexpr Param k_vocab_ids_params[] = {{"tokens"}};

inline constexpr Signature k_vocab_ids{Kind::Function, "vocab_ids", k_vocab_ids_params,
                                       R"doc(Return this library's internal token ids for a vocabulary, in order.

Use this to remap an external integer-coded corpus into the coding expected by
`TideQuery.match_batch`. Interning is idempotent and shares the same global
table as pattern construction, so the ids line up with the pattern's tokens.

Example:
  ids = vocab_ids(VOCAB)                    # list[int], parallel to VOCAB
  remap = np.array(ids, dtype=np.uint32)    # external_code -> tide id
  tide_tokens = remap[corpus_codes]         # one vectorized numpy pass)doc"};

inline constexpr Param k_annotate_stream_params[] = {{"tokens"}, {"times"}, {"specs"}, {"values", "None"}};

inline constexpr Signature k_annotate_stream{Kind::Function, "annotate_stream", k_annotate_stream_params};

inline constexpr Param k_state_spans_params[] = {
    {"tokens"}, {"times"}, {"machine"}, {"values", "None"}, {"include_invalid", "True"}};

inline constexpr Signature k_state_spans{Kind::Function, "state_spans", k_state_spans_params};

}  // namespace tide::py::sig
