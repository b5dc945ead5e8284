// A plain model of UVector / OVector for the property tests and the fuzzers: the storage
// as a std::vector of slots (empty while there is none), the capacity, the
// last index and the growth factor, changed exactly as the vectors' rules
// state, one slot operation at a time.
#ifndef VEMMISC_TESTS_MODELS_VECTOR_MODEL_H_
#define VEMMISC_TESTS_MODELS_VECTOR_MODEL_H_

#include <cstdint>
#include <vector>

namespace vem_test {

// kNullsVacatedSlot: whether a removal zeroes the slot that held the last
// element (OVector) or leaves its old value (UVector).
template <typename Element, bool kNullsVacatedSlot>
class VectorModel {
 public:
  VectorModel(float grow_factor, int32_t capacity) : capacity_(capacity), grow_factor_(grow_factor) {}

  void SetCapacity(int32_t capacity, float grow_factor) {
    // A vector with storage keeps counting the slots it really has.
    if (!hasStorage_) capacity_ = capacity;
    grow_factor_ = grow_factor;
  }

  void Add(Element element) {
    if (!hasStorage_) {
      // A capacity of 0 allocates one slot.
      if (capacity_ < 1) capacity_ = 1;
      slots_.assign(static_cast<size_t>(capacity_), Element());
      hasStorage_ = true;
    } else if (last_index_ >= capacity_ - 1) {
      const float step = static_cast<float>(capacity_) * grow_factor_;
      // A step below one slot grows by one.
      capacity_ += step >= 1.0f ? static_cast<int32_t>(step) : 1;
      slots_.resize(static_cast<size_t>(capacity_), Element());
    }
    slots_[static_cast<size_t>(++last_index_)] = element;
  }

  void Append(const VectorModel& source) {
    const std::vector<Element> elements(source.slots_.begin(), source.slots_.begin() + source.Size());
    for (Element e : elements) Add(e);
  }

  void Resize(int32_t new_size) {
    if (new_size < 0) new_size = 0;
    if (!hasStorage_) {
      slots_.assign(static_cast<size_t>(new_size), Element());
      hasStorage_ = true;
      capacity_ = new_size;
    } else if (new_size > capacity_) {
      slots_.resize(static_cast<size_t>(new_size), Element());
      capacity_ = new_size;
    } else {
      for (int32_t i = new_size; i < capacity_; ++i) {
        slots_[static_cast<size_t>(i)] = Element();
      }
    }
    last_index_ = new_size - 1;
  }

  int32_t Adjust() {
    if (last_index_ < capacity_ - 1) {
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
    if (index < 0 || index > last_index_) return;
    for (int32_t i = index; i < last_index_; ++i) {
      slots_[static_cast<size_t>(i)] = slots_[static_cast<size_t>(i) + 1];
    }
    if (kNullsVacatedSlot) slots_[static_cast<size_t>(last_index_)] = Element();
    --last_index_;
  }

  bool InRange(int32_t index) const { return index >= 0 && index <= last_index_; }
  Element At(int32_t index) const { return slots_[static_cast<size_t>(index)]; }
  void Set(Element element, int32_t index) {
    if (InRange(index)) slots_[static_cast<size_t>(index)] = element;
  }

  void Reset() { last_index_ = -1; }
  void Clear() {
    slots_.clear();
    hasStorage_ = false;
    last_index_ = -1;
  }

  int32_t Size() const { return last_index_ + 1; }
  int32_t Capacity() const { return capacity_; }
  float GrowFactor() const { return grow_factor_; }
  bool HasStorage() const { return hasStorage_; }
  const std::vector<Element>& Slots() const { return slots_; }

 private:
  std::vector<Element> slots_;
  bool hasStorage_ = false;
  int32_t capacity_;
  int32_t last_index_ = -1;
  float grow_factor_;
};

}  // namespace vem_test

#endif  // VEMMISC_TESTS_MODELS_VECTOR_MODEL_H_
