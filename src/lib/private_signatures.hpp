// The signatures of the private functions (the corpus entry points and the
// reconstructor that unpickling calls): each parameter's name and default,
// declared once, and the documentation after the generated text signature.
#pragma once

#include "lib/plumbing/signature.hpp"

namespace tide::py::sig {

inline constexpr Param k__corpus_match_params[] = {{"query"},   {"token_ids"},      {"times"},
                                                   {"offsets"}, {"values", "None"}, {"first_only", "False"}};

inline constexpr Signature k__corpus_match{
    Kind::Function, "_corpus_match", k__corpus_match_params,
    R"doc(Every match (or the first per document) of a TideQuery in every document of
a corpus given in flat form: token_ids (uint32, this process's ids), times
(float64), offsets (int64, n_docs + 1; document k is rows
offsets[k]:offsets[k + 1]) and optional values (float64), read in place.
Each document is its own stream: no match crosses a document boundary.
Malformed offsets (a document starting before row 0, ending before it
starts or past the last row) are a ValueError naming the first bad document.

Returns a dict: "doc" (int64, the document of each match), then the keys of
TideQuery.match_stream without el_tokens, with the same dtypes and meanings:
m_start, m_end (positions within the document), t_start, t_end,
el_stream_idx, el_times, result, mid_result. Rows come in document order
and, within a document, in the order of match_stream.

"result" (the pattern's collector) and "mid_result" (the midstream
collector) are None without a collector and a float64 array (one value per
match) for sum_times and count. The list kinds come flat, without a Python
object per match: a dict with "offsets" (int64, n_matches + 1; match m's
items are items offsets[m]:offsets[m + 1]) and the items' "token_ids"
(uint32, this process's ids, for collect_tokens and collect_pairs) and
"times" (float64, for collect_times and collect_pairs).)doc"};

inline constexpr Param k__corpus_match_counts_params[] = {
    {"query"}, {"token_ids"}, {"times"}, {"offsets"}, {"values", "None"}};

inline constexpr Signature k__corpus_match_counts{
    Kind::Function, "_corpus_match_counts", k__corpus_match_counts_params,
    R"doc(The number of matches of a TideQuery in each document of a corpus given in
the flat form of _corpus_match: an int64 array of n_docs entries.)doc"};

inline constexpr Param k__corpus_annotate_params[] = {
    {"token_ids"}, {"times"}, {"offsets"}, {"specs"}, {"values", "None"}};

inline constexpr Signature k__corpus_annotate{
    Kind::Function, "_corpus_annotate", k__corpus_annotate_params,
    R"doc(The label columns of a list of AnnotationSpec over every document of a
corpus given in the flat form of _corpus_match: {name: column}, each column
the concatenation of annotate_stream over the documents in order, one entry
per row of offsets[0]:offsets[-1] (every row when the documents cover the
arrays). Each document is its own stream: no window, span or epoch crosses
a document boundary.)doc"};

inline constexpr Param k__corpus_state_spans_params[] = {
    {"token_ids"}, {"times"}, {"offsets"}, {"machine"}, {"values", "None"}, {"include_invalid", "True"}};

inline constexpr Signature k__corpus_state_spans{
    Kind::Function, "_corpus_state_spans", k__corpus_state_spans_params,
    R"doc(The rows of state_spans for a StateMachine run over every document of a
corpus given in the flat form of _corpus_match: "doc" (int64) first, then
the keys of state_spans with the same dtypes, positions within the
document. Each document starts in the base state; no state instance
crosses a document boundary.)doc"};

inline constexpr Param k__restore_params[] = {{"kind"}, {"data"}, {"texts"}};

inline constexpr Signature k__restore{Kind::Function, "_restore", k__restore_params,
                                      R"doc(The object of class `kind` ("Pattern", "TideQuery", "AnnotationSpec",
"StateMachine" or "StateSpan") from its pickled form: bytes, and the texts
of the tokens they refer to, interned in this process. Unpickling calls it.)doc"};

inline constexpr Param k__fields_params[] = {{"obj"}};

inline constexpr Signature k__fields{Kind::Function, "_fields", k__fields_params,
                                     R"doc(The contents of a Pattern, TideQuery, AnnotationSpec, StateMachine or
StateSpan as nested lists, in the order of its pickled form, with tokens as
their texts: what tidemark_corpus.plain reads to write the object's plain
form.)doc"};

}  // namespace tide::py::sig
