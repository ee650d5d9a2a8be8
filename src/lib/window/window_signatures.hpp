// The signatures of the private timestamp-axis functions: each parameter's
// name and default, declared once, and the documentation after the generated
// text signature.
#pragma once

#include "lib/plumbing/signature.hpp"

namespace tide::py::sig {

inline constexpr Param k__timestamp_runs_params[] = {{"times"}, {"offsets"}};

inline constexpr Signature k__timestamp_runs{
    Kind::Function, "_timestamp_runs", k__timestamp_runs_params,
    "The first row of every run of equal int64 times within each document, and where each document's runs start "
    "(n_docs + 1)."};

inline constexpr Param k__locate_runs_params[] = {{"run_times"}, {"doc_offsets"}, {"doc"}, {"at"}, {"after", "False"}};

inline constexpr Signature k__locate_runs{
    Kind::Function, "_locate_runs", k__locate_runs_params,
    "For each (doc, at): the first run of the document at or after the time (strictly after with after), or the "
    "document's end."};

}  // namespace tide::py::sig
