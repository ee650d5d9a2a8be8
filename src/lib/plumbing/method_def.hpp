// Entries of the method tables: a METH_FASTCALL | METH_KEYWORDS entry point
// named after its C++ function and documented by doc::k_<name> (the text
// signature line, "--" and the body).
#pragma once

#include "lib/plumbing/py_ref.hpp"

#define TIDE_FASTCALL_FLAGS(name, flags) \
  {#name, reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(name)), flags, doc::k_##name}
#define TIDE_FASTCALL(name) TIDE_FASTCALL_FLAGS(name, METH_FASTCALL | METH_KEYWORDS)
#define TIDE_STATIC_FASTCALL(name) TIDE_FASTCALL_FLAGS(name, METH_FASTCALL | METH_KEYWORDS | METH_STATIC)
#define TIDE_END_METHODS {nullptr, nullptr, 0, nullptr}
