// Computing the label column of one annotation kind over an interned stream.
#pragma once

#include <cstdint>
#include <variant>
#include <vector>

#include "annotate/annotation_kind.hpp"
#include "types/cancel.hpp"
#include "types/expected.hpp"
#include "types/stream.hpp"

namespace tide {

// int8 labels, int32 state labels, or float64 aggregates; one per position.
using LabelColumn = std::variant<std::vector<int8_t>, std::vector<int32_t>, std::vector<double>>;

// Locates the kind's references (or runs its machine) and applies its rule.
// Fails with the error of a reference or a run, or when the cancellation
// check stops the call.
Expected<LabelColumn> evaluate(const AnnotKind& kind, const StreamView& s, CancelCheck& cancel);

}  // namespace tide
