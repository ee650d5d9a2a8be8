// NumPy's C API for every translation unit of the module; module.cpp
// defines TIDEMARK_IMPORT_NUMPY and imports the API table once.
#pragma once

#include "lib/plumbing/py_ref.hpp"

#define PY_ARRAY_UNIQUE_SYMBOL tidemark_ARRAY_API
#ifndef TIDEMARK_IMPORT_NUMPY
#define NO_IMPORT_ARRAY
#endif
#include <numpy/arrayobject.h>
#include <numpy/arrayscalars.h>
