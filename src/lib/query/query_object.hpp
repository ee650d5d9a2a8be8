// The Python classes TideQuery (a compiled pattern) and PreprocessedStream
// (an interned stream), and the run shared by their entry points.
#pragma once

#include "lib/plumbing/boxed.hpp"
#include "lib/plumbing/classes.hpp"
#include "types/pattern.hpp"
#include "types/stream.hpp"

namespace tide::py {

inline const Pattern& query_pattern(PyObject* self) { return unbox<Pattern>(self); }

// The 64-element check, the engine run and the result dictionary.
PyObject* run_query(const Pattern& pattern, const StreamView& stream, bool first_only, bool include_tokens);

PyObject* match_batch(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);

// __reduce__ (query_pickle.cpp).
PyObject* reduce_query(PyObject* self, PyObject*);

}  // namespace tide::py
