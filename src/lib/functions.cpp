#include "lib/functions.hpp"

#include "lib/module_signatures.hpp"
#include "lib/plumbing/method_def.hpp"

namespace tide::py {
namespace {

PyMethodDef kFunctions[] = {
    TIDE_FASTCALL(annotate_stream),
    TIDE_FASTCALL(state_spans),
    TIDE_FASTCALL(vocab_ids),
    TIDE_END_METHODS,
};

}  // namespace

PyMethodDef* module_functions() { return kFunctions; }

}  // namespace tide::py
