// The Python class AnnotationSpec: one named label column to compute.
#pragma once

#include <string>

#include "annotate/annotation_kind.hpp"
#include "lib/plumbing/boxed.hpp"

namespace tide::py {

struct AnnotationSpecHolder {
  std::string name;  // the column's key in the result dict
  AnnotKind kind;
};

inline const AnnotationSpecHolder& annotation_spec(PyObject* spec) { return unbox<AnnotationSpecHolder>(spec); }

}  // namespace tide::py
