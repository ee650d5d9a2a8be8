// The signatures of the TideQuery class and its methods: each parameter's name and default,
// declared once, and the documentation after the generated text signature.
#pragma once

#include "lib/plumbing/signature.hpp"

namespace tide::py::sig {

inline constexpr Param kQueryClassParams[] = {{"pattern"}};

inline constexpr Signature kQueryClass{Kind::Constructor, "TideQuery.__new__", kQueryClassParams};

inline constexpr Param k_match_stream_params[] = {
    {"tokens"}, {"times"}, {"values", "None"}, {"first_only", "False"}, {"include_tokens", "False"}};

inline constexpr Signature k_match_stream{Kind::Method, "TideQuery.match_stream", k_match_stream_params,
                                          R"doc(Match a token stream.

Returns a dict of numpy arrays (one FFI crossing for all results):
  m_start        int64[n_matches]
  m_end          int64[n_matches]
  t_start        float64[n_matches]
  t_end          float64[n_matches]
  el_stream_idx  int64[n_matches, n_elements]
  el_times       float64[n_matches, n_elements]
  el_tokens      list[list[str]]  — only if include_tokens=True
  result         float64[n] | list | None  — depends on collector
  mid_result     float64[n] | list | None  — None if no midstream collector

include_tokens=False (default) skips string resolution entirely — use
this when you only need match positions and times.)doc"};

inline constexpr Param k_preprocess_params[] = {{"tokens"}, {"times"}, {"values", "None"}};

inline constexpr Signature k_preprocess{Kind::Method, "TideQuery.preprocess", k_preprocess_params,
                                        R"doc(Pre-intern a token stream for repeated matching against multiple patterns.
Amortises the string→ID conversion cost across multiple match_preprocessed calls.)doc"};

inline constexpr Param k_match_preprocessed_params[] = {
    {"stream"}, {"first_only", "False"}, {"include_tokens", "False"}};

inline constexpr Signature k_match_preprocessed{Kind::Method, "TideQuery.match_preprocessed",
                                                k_match_preprocessed_params};

inline constexpr Param k_match_batch_params[] = {{"token_ids"}, {"times"}, {"offsets"}, {"values", "None"}};

inline constexpr Signature k_match_batch{Kind::Method, "TideQuery.match_batch", k_match_batch_params,
                                         R"doc(Batch match over many documents in a single call, consuming **pre-coded
integer token ids** (no per-token string interning). This is the fair,
zero-string-marshalling entry point for a flat corpus.

Inputs (all numpy arrays, zero-copy):
  token_ids : uint32[total]   token ids in *this library's* coding — obtain the
              mapping for your vocabulary via `vocab_ids(tokens)` and remap once.
  times     : float64[total]
  offsets   : int64[n_docs + 1]  CSR-style; doc k spans token_ids[offsets[k]..offsets[k+1]].
  values    : optional float64[total]

Returns a dict of numpy arrays, one row per document (first match only):
  m_start : int64[n_docs]   within-doc index of the first matched element (-1 = no match)
  m_end   : int64[n_docs]   within-doc index of the last matched element (-1 = no match)
  mid     : float64[n_docs] first-match midstream scalar (count/sum) or collected length;
                            NaN when no midstream collector or no match. (Only present
                            when the pattern has a midstream collector.)

One FFI crossing and no interner lock for the whole corpus.)doc"};

}  // namespace tide::py::sig
