// A growable list of trivially copyable items with N of them stored inline,
// spilling to the heap beyond. clear() keeps the capacity, so a list reused
// across scans allocates at most a few times per call.
#pragma once

#include <cstddef>
#include <cstring>
#include <memory>
#include <type_traits>

namespace tide {

template <class T, size_t N>
class SmallVec {
  static_assert(std::is_trivially_copyable_v<T>, "SmallVec holds trivially copyable items");

 public:
  SmallVec() = default;
  SmallVec(const SmallVec&) = delete;
  SmallVec& operator=(const SmallVec&) = delete;

  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  void clear() { size_ = 0; }

  T* begin() { return data_; }
  T* end() { return data_ + size_; }
  const T* begin() const { return data_; }
  const T* end() const { return data_ + size_; }
  T& operator[](size_t i) { return data_[i]; }
  const T& operator[](size_t i) const { return data_[i]; }

  void push_back(const T& item) {
    if (size_ == cap_) grow();
    data_[size_++] = item;
  }

  // Removes every item for which drop(item) is true; survivors keep their
  // order. Returns how many were removed.
  template <class Pred>
  size_t erase_if(Pred drop) {
    size_t kept = 0;
    for (size_t i = 0; i < size_; ++i)
      if (!drop(data_[i])) data_[kept++] = data_[i];
    const size_t removed = size_ - kept;
    size_ = kept;
    return removed;
  }

 private:
  void grow() {
    const size_t cap = cap_ * 2;
    auto heap = std::make_unique<T[]>(cap);
    std::memcpy(static_cast<void*>(heap.get()), data_, size_ * sizeof(T));
    heap_ = std::move(heap);
    data_ = heap_.get();
    cap_ = cap;
  }

  T inline_[N];
  T* data_ = inline_;
  size_t size_ = 0;
  size_t cap_ = N;
  std::unique_ptr<T[]> heap_;
};

}  // namespace tide
