// A StateMachine argument, checked by type.
#pragma once

#include "lib/plumbing/classes.hpp"
#include "lib/plumbing/convert.hpp"
#include "lib/plumbing/messages.hpp"

namespace tide::py {

// False with "argument 'NAME': '{type}' object cannot be converted to
// 'StateMachine'" unless `o` is a StateMachine.
inline bool to_machine(PyObject* o, const char* arg) {
  if (is_instance(o, Class::StateMachine)) return true;
  raise_cannot_convert(o, msg::target::kStateMachine);
  prefix_type_error(arg);
  return false;
}

}  // namespace tide::py
