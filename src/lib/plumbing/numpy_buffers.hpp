// NumPy arrays that take over a std::vector's storage without copying: the
// vector moves into a capsule that becomes the array's base object.
#pragma once

#include <cstdint>
#include <vector>

#include "lib/plumbing/py_ref.hpp"

namespace tide::py {

// One-dimensional arrays of len(v), or two-dimensional (rows, cols) views of
// v in row-major order (v.size() must equal rows * cols).
PyObject* array_from(std::vector<double>&& v);
PyObject* array_from(std::vector<int64_t>&& v);
PyObject* array_from(std::vector<int32_t>&& v);
PyObject* array_from(std::vector<int8_t>&& v);
PyObject* array_from(std::vector<size_t>&& v);  // as int64: positions are below 2^63
PyObject* array_2d_from(std::vector<double>&& v, size_t rows, size_t cols);
PyObject* array_2d_from(std::vector<size_t>&& v, size_t rows, size_t cols);

}  // namespace tide::py
