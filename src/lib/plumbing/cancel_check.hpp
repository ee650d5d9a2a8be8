// The cancellation check handed to long core loops: a pending signal
// (Ctrl-C) stops the call, and its exception is raised by the caller.
#pragma once

#include "lib/plumbing/py_ref.hpp"
#include "types/cancel.hpp"

namespace tide::py {

inline bool signal_pending(void*) { return PyErr_CheckSignals() != 0; }
inline CancelCheck interrupt_check() { return CancelCheck(signal_pending, nullptr); }

}  // namespace tide::py
