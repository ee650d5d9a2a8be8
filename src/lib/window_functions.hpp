// The private timestamp-axis functions behind tidemark_corpus's task files:
// _timestamp_runs and _locate_runs; terminated by a null entry.
#pragma once

#include "lib/py_ref.hpp"

namespace tide::py {

PyMethodDef* window_functions();

}  // namespace tide::py
