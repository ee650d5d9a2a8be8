// Text signatures and documentation of the module functions.
#pragma once

namespace tide::py::doc {

inline constexpr const char* k_vocab_ids = R"doc(vocab_ids(tokens)
--

Return this library's internal token ids for a vocabulary, in order.

Use this to remap an external integer-coded corpus into the coding expected by
`TideQuery.match_batch`. Interning is idempotent and shares the same global
table as pattern construction, so the ids line up with the pattern's tokens.

Example:
  ids = vocab_ids(VOCAB)                    # list[int], parallel to VOCAB
  remap = np.array(ids, dtype=np.uint32)    # external_code -> tide id
  tide_tokens = remap[corpus_codes]         # one vectorized numpy pass)doc";

inline constexpr const char* k_annotate_stream = R"doc(annotate_stream(tokens, times, specs, values=None)
--

)doc";

inline constexpr const char* k_state_spans =
    R"doc(state_spans(tokens, times, machine, values=None, include_invalid=True)
--

)doc";

}  // namespace tide::py::doc
