// The one algorithm behind UVector and OVector. Both classes keep the same
// four fields and hand them to VectorCore, which works on them in place; the
// classes differ only in their element type and in what a removal leaves in
// the vacated last slot, which they handle themselves.
//
// Elements are plain values whose zero is all-bits-zero (unsigned integers
// and pointers), so the storage is managed with calloc/realloc/memmove.
// Every allocation happens before any field changes: when it throws
// std::bad_alloc the vector is exactly as it was.
#ifndef VEMMISC_CONTAINERS_VECTOR_CORE_H_
#define VEMMISC_CONTAINERS_VECTOR_CORE_H_

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "containers/throw_bad_alloc.h"

namespace vem {

// The capacity after one growth of a full storage: the truncated product of
// capacity and growth factor (single precision) added to the capacity. A step
// below one slot (capacity 0 or 1, a factor not greater than 0, NaN) grows by
// one slot; a step past the largest count stops there. Throws std::bad_alloc
// when the storage cannot grow at all.
inline int32_t GrownCapacity(int32_t capacity, float grow_factor) {
  const float step = static_cast<float>(capacity) * grow_factor;
  if (capacity == INT32_MAX) ThrowBadAlloc();
  if (!(step >= 1.0f)) return capacity + 1;
  if (static_cast<double>(step) >= static_cast<double>(INT32_MAX - capacity)) {
    return INT32_MAX;
  }
  return capacity + static_cast<int32_t>(step);
}

template <typename Element>
class VectorCore {
 public:
  VectorCore(Element*& array, int32_t& capacity, int32_t& last_index, float& grow_factor)
      : array_(array), capacity_(capacity), last_index_(last_index), grow_factor_(grow_factor) {}

  int32_t Size() const { return last_index_ + 1; }

  // Stores both settings. With storage, only the growth factor takes effect
  // (from the next growth): the capacity must keep counting the slots the
  // storage really has, so a requested capacity then changes nothing.
  void SetCapacity(int32_t capacity, float grow_factor) {
    if (array_ == nullptr) capacity_ = capacity;
    grow_factor_ = grow_factor;
  }

  // A fresh storage of count zero slots. Never null, even for no slots.
  static Element* Allocate(int32_t count) {
    const size_t slots = count > 0 ? static_cast<size_t>(count) : 1;
    void* block = std::calloc(slots, sizeof(Element));
    if (block == nullptr) ThrowBadAlloc();
    return static_cast<Element*>(block);
  }

  // Storage of new_count slots holding the first min(old, new) slots of the
  // current storage, the rest zero. The current storage is freed only on
  // success.
  Element* Reallocate(int32_t new_count) const {
    const size_t slots = new_count > 0 ? static_cast<size_t>(new_count) : 1;
    void* block = std::realloc(array_, slots * sizeof(Element));
    if (block == nullptr) ThrowBadAlloc();
    auto* grown = static_cast<Element*>(block);
    if (new_count > capacity_) {
      std::memset(grown + capacity_, 0, static_cast<size_t>(new_count - capacity_) * sizeof(Element));
    }
    return grown;
  }

  // Makes room for extra more elements, growing step by step exactly as that
  // many single additions would, but moving the storage only once.
  void Reserve(int32_t extra) {
    if (array_ == nullptr) {
      int32_t target = capacity_ > 0 ? capacity_ : 1;
      while (target - Size() < extra) target = GrownCapacity(target, grow_factor_);
      array_ = Allocate(target);
      capacity_ = target;
      return;
    }
    if (capacity_ - Size() >= extra) return;
    int32_t target = capacity_;
    while (target - Size() < extra) target = GrownCapacity(target, grow_factor_);
    array_ = Reallocate(target);
    capacity_ = target;
  }

  void Add(Element element) {
    if (array_ == nullptr || last_index_ >= capacity_ - 1) Reserve(1);
    array_[++last_index_] = element;
  }

  // Appends the first count slots of source, which may be this vector's own
  // storage (read again after growth, so it is never a freed block).
  void Append(Element* const& source, int32_t count) {
    if (count <= 0) return;
    Reserve(count);
    std::memcpy(array_ + Size(), source, static_cast<size_t>(count) * sizeof(Element));
    last_index_ += count;
  }

  void Resize(int32_t new_size) {
    if (new_size < 0) new_size = 0;
    if (array_ == nullptr) {
      array_ = Allocate(new_size);
      capacity_ = new_size;
    } else if (new_size > capacity_) {
      array_ = Reallocate(new_size);
      capacity_ = new_size;
    } else if (new_size < capacity_) {
      std::memset(array_ + new_size, 0, static_cast<size_t>(capacity_ - new_size) * sizeof(Element));
    }
    last_index_ = new_size - 1;
  }

  int32_t Adjust() {
    if (last_index_ < capacity_ - 1) {
      const int32_t size = Size();
      Element* shrunk = array_ == nullptr ? Allocate(size) : Reallocate(size);
      array_ = shrunk;
      capacity_ = size;
    }
    return capacity_;
  }

  // Index of the first of the elements 0..last_index equal to element, or -1.
  static int32_t Find(const Element* array, int32_t last_index, Element element) {
    for (int32_t i = 0; i <= last_index; ++i) {
      if (array[i] == element) return i;
    }
    return -1;
  }

  // Whether index names one of the elements 0..last_index.
  static bool IsIndex(int32_t index, int32_t last_index) { return index >= 0 && index <= last_index; }

  // Closes the gap at index. False (nothing changed) when index is not an
  // element's. The formerly last slot keeps its old value.
  bool RemoveAt(int32_t index) {
    if (!IsIndex(index, last_index_)) return false;
    std::memmove(array_ + index, array_ + index + 1, static_cast<size_t>(last_index_ - index) * sizeof(Element));
    --last_index_;
    return true;
  }

  void Clear() {
    std::free(array_);
    array_ = nullptr;
    last_index_ = -1;
  }

  // Duplicates every slot of another vector's storage (or none).
  static Element* Duplicate(const Element* source, int32_t capacity) {
    if (source == nullptr) return nullptr;
    Element* copy = Allocate(capacity);
    if (capacity > 0) {
      std::memcpy(copy, source, static_cast<size_t>(capacity) * sizeof(Element));
    }
    return copy;
  }

 private:
  Element*& array_;
  int32_t& capacity_;
  int32_t& last_index_;
  float& grow_factor_;
};

}  // namespace vem

#endif  // VEMMISC_CONTAINERS_VECTOR_CORE_H_
