// Python forms of token references: str, list[str], list[list[str]] or Pattern.
#pragma once

#include <vector>

#include "lib/plumbing/py_ref.hpp"
#include "refs/token_ref.hpp"

namespace tide::py {

// A token reference; false with the exception set. Conversion failures are
// not prefixed with an argument name.
bool parse_token_ref(PyObject* o, TokenRef* out);

}  // namespace tide::py
