// A column of numbers from a Python argument (the times or values of a
// stream). A one-dimensional float64 NumPy array in native byte order is
// read in place, so a long stream is not copied; anything else is copied.
#pragma once

#include <cstddef>
#include <vector>

#include "lib/plumbing/py_ref.hpp"

namespace tide::py {

class DoubleColumn {
 public:
  // Holds the array, or converts the sequence; TypeErrors name `arg`.
  bool convert(PyObject* o, const char* arg);
  // Takes the array's data once no Python code can run before the column
  // is read (user code run by a later conversion may have reshaped the
  // array since convert): in place when aligned and contiguous, copied
  // otherwise; a TypeError naming `arg` when it is no longer such an array.
  bool settle(const char* arg);

  size_t size() const { return size_; }
  const double* data() const { return data_; }
  // The numbers as a vector of their own: the copy made by convert, moved
  // out, or a copy of the array's.
  std::vector<double> take();

 private:
  Ref array_;  // the array read in place, if any
  std::vector<double> owned_;
  const double* data_ = nullptr;
  size_t size_ = 0;
};

}  // namespace tide::py
