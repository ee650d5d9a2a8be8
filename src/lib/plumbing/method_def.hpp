// Entries of the method tables: a METH_FASTCALL | METH_KEYWORDS entry point
// named after its C++ function and documented by the text generated from its
// signature sig::k_<name> (the text signature line, "--" and the body).
#pragma once

#include "lib/plumbing/py_ref.hpp"
#include "lib/plumbing/signature.hpp"

#define TIDE_FASTCALL_FLAGS(name, flags) \
  {#name, reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(name)), flags, signed_doc<sig::k_##name>()}
#define TIDE_FASTCALL(name) TIDE_FASTCALL_FLAGS(name, METH_FASTCALL | METH_KEYWORDS)
#define TIDE_STATIC_FASTCALL(name) TIDE_FASTCALL_FLAGS(name, METH_FASTCALL | METH_KEYWORDS | METH_STATIC)
#define TIDE_END_METHODS {nullptr, nullptr, 0, nullptr}
