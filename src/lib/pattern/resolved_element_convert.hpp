// Reading the event spec dictionaries of add_mapped_event.
#pragma once

#include <string>
#include <vector>

#include "lib/plumbing/py_ref.hpp"
#include "types/pattern.hpp"

namespace tide::py {

// A str as one string, or a sequence of str; conversion errors unprefixed.
bool to_string_or_list(PyObject* o, std::vector<std::string>* out);

// One event spec (a dict) as a ResolvedElement, interning its tokens. Keys
// are read in a fixed order (bounds, "block", "match", the match value
// lists); a conversion error is raised as it is, without an argument prefix.
bool parse_resolved_element(PyObject* spec, ResolvedElement* out);

}  // namespace tide::py
