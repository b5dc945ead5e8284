// A plain model of UVector / OVector for the property tests and the fuzzers: the storage
// as a std::vector of slots (empty while there is none), the capacity, the
// last index and the growth factor, changed exactly as the vectors' rules
// state, one slot operation at a time.
#ifndef VEMMISC_TESTS_MODELS_VECTOR_MODEL_H_
#define VEMMISC_TESTS_MODELS_VECTOR_MODEL_H_

#include <cstdint>
#include <vector>

namespace vem_models {

// kNullsVacatedSlot: whether a removal zeroes the slot that held the last
// element (OVector) or leaves its old value (UVector).
template <typename Element, bool kNullsVacatedSlot>
class VectorModel {
 public:
  VectorModel(float growFactor, int32_t capacity)
      : capacity_(capacity), growFactor_(growFactor) {}

  void SetCapacity(int32_t capacity, float growFactor) {
    // A vector with storage keeps counting the slots it really has.
    if (!hasStorage_) capacity_ = capacity;
    growFactor_ = growFactor;
  }

  void Add(Element element) {
    if (!hasStorage_) {
      // A capacity of 0 allocates one slot.
      if (capacity_ < 1) capacity_ = 1;
      slots_.assign(static_cast<size_t>(capacity_), Element());
      hasStorage_ = true;
    } else if (lastIndex_ >= capacity_ - 1) {
      const float step = static_cast<float>(capacity_) * growFactor_;
      // A step below one slot grows by one.
      capacity_ += step >= 1.0f ? static_cast<int32_t>(step) : 1;
      slots_.resize(static_cast<size_t>(capacity_), Element());
    }
    slots_[static_cast<size_t>(++lastIndex_)] = element;
  }

  void Append(const VectorModel& source) {
    const std::vector<Element> elements(source.slots_.begin(),
                                        source.slots_.begin() + source.Size());
    for (Element e : elements) Add(e);
  }

  void Resize(int32_t newSize) {
    if (newSize < 0) newSize = 0;
    if (!hasStorage_) {
      slots_.assign(static_cast<size_t>(newSize), Element());
      hasStorage_ = true;
      capacity_ = newSize;
    } else if (newSize > capacity_) {
      slots_.resize(static_cast<size_t>(newSize), Element());
      capacity_ = newSize;
    } else {
      for (int32_t i = newSize; i < capacity_; ++i) {
        slots_[static_cast<size_t>(i)] = Element();
      }
    }
    lastIndex_ = newSize - 1;
  }

  int32_t Adjust() {
    if (lastIndex_ < capacity_ - 1) {
      capacity_ = Size();
      slots_.resize(static_cast<size_t>(capacity_));
      hasStorage_ = true;
    }
    return capacity_;
  }

  int32_t Find(Element element) const {
    for (int32_t i = 0; i < Size(); ++i) {
      if (slots_[static_cast<size_t>(i)] == element) return i;
    }
    return -1;
  }

  void RemoveAt(int32_t index) {
    if (index < 0 || index > lastIndex_) return;
    for (int32_t i = index; i < lastIndex_; ++i) {
      slots_[static_cast<size_t>(i)] = slots_[static_cast<size_t>(i) + 1];
    }
    if (kNullsVacatedSlot) slots_[static_cast<size_t>(lastIndex_)] = Element();
    --lastIndex_;
  }

  bool InRange(int32_t index) const { return index >= 0 && index <= lastIndex_; }
  Element At(int32_t index) const { return slots_[static_cast<size_t>(index)]; }
  void Set(Element element, int32_t index) {
    if (InRange(index)) slots_[static_cast<size_t>(index)] = element;
  }

  void Reset() { lastIndex_ = -1; }
  void Clear() {
    slots_.clear();
    hasStorage_ = false;
    lastIndex_ = -1;
  }

  int32_t Size() const { return lastIndex_ + 1; }
  int32_t Capacity() const { return capacity_; }
  float GrowFactor() const { return growFactor_; }
  bool HasStorage() const { return hasStorage_; }
  const std::vector<Element>& Slots() const { return slots_; }

 private:
  std::vector<Element> slots_;
  bool hasStorage_ = false;
  int32_t capacity_;
  int32_t lastIndex_ = -1;
  float growFactor_;
};

}  // namespace vem_models

#endif  // VEMMISC_TESTS_MODELS_VECTOR_MODEL_H_
