// Exclusive access to an object under construction for one builder call:
// user code that a conversion runs cannot change the object between the
// checks and the commit, and a re-entrant call is refused with
// RuntimeError "{class} is already being modified by another call".
#pragma once

#include "lib/plumbing/messages.hpp"
#include "lib/plumbing/py_ref.hpp"

namespace tide::py {

// `Holder` has a member `bool busy`; `class_name` is its Python class.
template <class Holder>
class Exclusive {
 public:
  Exclusive(Holder& h, const char* class_name) {
    if (h.busy) {
      PyErr_Format(PyExc_RuntimeError, msg::kReentrant, class_name);
      return;
    }
    h.busy = true;
    h_ = &h;
  }
  ~Exclusive() {
    if (h_ != nullptr) h_->busy = false;
  }
  Exclusive(const Exclusive&) = delete;
  Exclusive& operator=(const Exclusive&) = delete;

  explicit operator bool() const { return h_ != nullptr; }
  Holder* operator->() { return h_; }

 private:
  Holder* h_ = nullptr;
};

}  // namespace tide::py
