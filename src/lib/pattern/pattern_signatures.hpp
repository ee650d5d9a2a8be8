// The signatures of the Pattern class and its builder methods: each parameter's name and default,
// declared once, and the documentation after the generated text signature.
#pragma once

#include "lib/plumbing/signature.hpp"

namespace tide::py::sig {

// The time bounds of an element and whether the search may try it again.
inline constexpr std::array<Param, 5> kTimeBounds{
    {{"min_dt", "0.0"}, {"max_dt", "..."}, {"min_at", "..."}, {"max_at", "..."}, {"backtrackable", "True"}}};

// Value bounds of a single matched token.
inline constexpr std::array<Param, 3> kMatchVal{{{"min_val", "..."}, {"max_val", "..."}, {"require_nan_val", "False"}}};

// Value bounds of a single blocking token.
inline constexpr std::array<Param, 3> kBlockVal{
    {{"block_min_val", "..."}, {"block_max_val", "..."}, {"block_require_nan_val", "False"}}};

// Per-token (or per-sequence) value bounds of the matched tokens.
inline constexpr std::array<Param, 3> kMatchVals{
    {{"min_vals", "None"}, {"max_vals", "None"}, {"require_nan_vals", "None"}}};

// Per-token (or per-sequence) value bounds of the blocking tokens.
inline constexpr std::array<Param, 3> kBlockVals{
    {{"block_min_vals", "None"}, {"block_max_vals", "None"}, {"block_require_nan_vals", "None"}}};

inline constexpr Param kPatternClassParams[] = {{"min_dt", "0.0"}, {"max_dt", "..."},   {"min_at", "..."},
                                                {"max_at", "..."}, {"ordered", "True"}, {"collector", R"("none")"}};

inline constexpr Signature kPatternClass{Kind::Constructor, "Pattern.__new__", kPatternClassParams};

inline constexpr auto k_add_event_params =
    join(params({{"match_token"}, {"block_token", "None"}}), kTimeBounds, kMatchVal, kBlockVal);

inline constexpr Signature k_add_event{Kind::Method, "Pattern.add_event", k_add_event_params};

inline constexpr auto k_add_event_set_params =
    join(params({{"match_tokens"}, {"block_tokens", "None"}}), kTimeBounds, kMatchVals, kBlockVals);

inline constexpr Signature k_add_event_set{Kind::Method, "Pattern.add_event_set", k_add_event_set_params};

inline constexpr auto k_add_event_seq_params =
    join(params({{"match_seqs"}, {"block_seqs", "None"}}), kTimeBounds, kMatchVals, kBlockVals);

inline constexpr Signature k_add_event_seq{Kind::Method, "Pattern.add_event_seq", k_add_event_seq_params};

inline constexpr auto k_add_time_event_params =
    join(params({{"block_token", "None"}}), kTimeBounds, kBlockVal, params({{"block_tokens", "None"}}), kBlockVals);

inline constexpr Signature k_add_time_event{Kind::Method, "Pattern.add_time_event", k_add_time_event_params};

inline constexpr auto k_add_dynamic_time_event_params = join(params({{"block_token", "None"},
                                                                     {"rel_min_dt", "0.0"},
                                                                     {"rel_max_dt", "..."},
                                                                     {"min_at", "..."},
                                                                     {"max_at", "..."},
                                                                     {"backtrackable", "True"}}),
                                                             kBlockVal, params({{"block_tokens", "None"}}), kBlockVals);

inline constexpr Signature k_add_dynamic_time_event{Kind::Method, "Pattern.add_dynamic_time_event",
                                                    k_add_dynamic_time_event_params};

inline constexpr auto k_add_dynamic_event_params =
    join(params({{"static_block_tokens", "None"}}), kTimeBounds, kMatchVal, kBlockVals);

inline constexpr Signature k_add_dynamic_event{Kind::Method, "Pattern.add_dynamic_event", k_add_dynamic_event_params};

inline constexpr auto k_add_dynamic_event_set_params = join(params({{"static_match_tokens", "None"},
                                                                    {"static_block_tokens", "None"},
                                                                    {"match_from_last", "False"},
                                                                    {"block_from_last", "False"}}),
                                                            kTimeBounds, kMatchVals, kBlockVals);

inline constexpr Signature k_add_dynamic_event_set{Kind::Method, "Pattern.add_dynamic_event_set",
                                                   k_add_dynamic_event_set_params};

inline constexpr Param k_add_mapped_event_params[] = {
    {"source_element"}, {"match_map"}, {"default", "None"}, {"backtrackable", "True"}};

inline constexpr Signature k_add_mapped_event{Kind::Method, "Pattern.add_mapped_event", k_add_mapped_event_params,
                                              R"doc(Add a mapped (fully dynamic) element.

source_element — index of the prior pattern element whose matched token
                 is used as the key into match_map.

match_map — dict[str, dict] mapping source token → event spec.
  Each event spec dict may contain:
    "match"       : str | list[str] | list[list[str]]
                    str         → single token (Event)
                    list[str]   → token set (EventSet)
                    list[list]  → sequence set (EventSeq via trie)
    "block"       : str | list[str]   (optional)
                    Seeing a blocking token retires this element for the
                    rest of the branch — the same semantics static
                    elements give `block_token` / `block_tokens`.
    "min_dt"      : float             (default 0.0)
    "max_dt"      : float             (default inf)
    "min_at"      : float             (default -inf)
    "max_at"      : float             (default inf)

default — optional fallback spec used when source token is not in match_map.
          If None (default), paths whose source token is absent are abandoned.

Example — four condition codes each map to their treatment:
  p.add_event_set(["a","b","C","D"])
  p.add_mapped_event(
      source_element=0,
      match_map={
          "a": {"match": "x",        "max_dt": 5.0},
          "b": {"match": "Y",        "min_at": 10.0},
          "C": {"match": "Z",        "min_dt": 1.0, "max_dt": 3.0},
          "D": {"match": ["z","w"],  "max_dt": 2.0},
      }
  ))doc"};

inline constexpr Param k_add_midstream_collector_params[] = {
    {"match_tokens"}, {"start_after"}, {"stop_before"}, {"collector", R"("collect_tokens")"}};

inline constexpr Signature k_add_midstream_collector{
    Kind::Method, "Pattern.add_midstream_collector", k_add_midstream_collector_params,
    R"doc(`match_tokens` accepts `list[str]` for single tokens, or `list[list[str]]`
for same-timestamp sequences.  The sequence form is needed when one
logical item spans several tokens, since collecting only its first token
would not identify it.)doc"};

}  // namespace tide::py::sig
