// The pieces shared by the entry points that compute label columns: the
// list of specs argument and the result dict.
#pragma once

#include <vector>

#include "annotate/evaluate.hpp"
#include "lib/annotate/annotation_spec_object.hpp"
#include "lib/plumbing/py_ref.hpp"

namespace tide::py {

// A sequence of AnnotationSpec, or a TypeError naming the argument.
bool to_specs(PyObject* o, std::vector<Ref>* out, const char* arg);

// Stores the column under the spec's name, handed to NumPy without copying;
// a repeated name keeps its place in the dict and takes the later column.
bool store_column(PyObject* dict, const AnnotationSpecHolder& spec, LabelColumn&& column);

}  // namespace tide::py
