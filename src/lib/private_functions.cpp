#include "lib/private_functions.hpp"

#include "lib/plumbing/method_def.hpp"
#include "lib/private_signatures.hpp"
#include "lib/window/window_functions.hpp"
#include "lib/window/window_signatures.hpp"

namespace tide::py {
namespace {

PyMethodDef kFunctions[] = {
    TIDE_FASTCALL(_corpus_match),
    TIDE_FASTCALL(_corpus_match_counts),
    TIDE_FASTCALL(_corpus_annotate),
    TIDE_FASTCALL(_corpus_state_spans),
    TIDE_FASTCALL(_restore),
    TIDE_FASTCALL(_fields),
    TIDE_FASTCALL(_timestamp_runs),
    TIDE_FASTCALL(_locate_runs),
    TIDE_END_METHODS,
};

}  // namespace

PyMethodDef* private_functions() { return kFunctions; }

}  // namespace tide::py
