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
  // Copies the numbers of an array read in place, so that the column no
  // longer refers to the array.
  void own();

  DoubleColumn() = default;
  // A move keeps the owned numbers where data() points; a copy would not.
  DoubleColumn(DoubleColumn&&) noexcept = default;
  DoubleColumn& operator=(DoubleColumn&&) noexcept = default;
  DoubleColumn(const DoubleColumn&) = delete;
  DoubleColumn& operator=(const DoubleColumn&) = delete;

 private:
  Ref array_;  // the array read in place, if any
  std::vector<double> owned_;
  const double* data_ = nullptr;
  size_t size_ = 0;
};

}  // namespace tide::py
