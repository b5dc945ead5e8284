// UVector and TVector (an OVector) against a plain model of their storage:
// the slots (none until the first allocation), the capacity, the last index
// and the growth factor, changed as the vectors' rules state. After every
// step the size, the capacity, the growth factor and every slot must match
// the model's.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "VemContainers.h"
#include "tests/models/op_stream.h"

namespace vem_test {
namespace {

template <typename Element>
struct Model {
  std::vector<Element> slots;
  bool has_storage;
  int32_t capacity, last;
  float grow_factor;
  bool nulls_vacated;  // a removal zeroes the slot the last element leaves (OVector), or not (UVector)

  int32_t Size() const { return last + 1; }
  bool InRange(int32_t i) const { return i >= 0 && i <= last; }
  void Allocate(int32_t slot_count) {
    capacity = slot_count;
    slots.resize(static_cast<size_t>(slot_count));
    has_storage = true;
  }
  void Add(Element e) {
    const float step = static_cast<float>(capacity) * grow_factor;  // below one slot: one
    if (!has_storage)
      Allocate(std::max(capacity, 1));
    else if (last == capacity - 1)
      Allocate(capacity + (step >= 1.0f ? static_cast<int32_t>(step) : 1));
    slots[static_cast<size_t>(++last)] = e;
  }
  void Resize(int32_t size) {
    size = std::max(size, 0);
    if (!has_storage || size > capacity) Allocate(size);
    std::fill(slots.begin() + size, slots.end(), Element());
    last = size - 1;
  }
  void Remove(int32_t i) {
    if (!InRange(i)) return;
    std::copy(slots.begin() + i + 1, slots.begin() + last + 1, slots.begin() + i);
    if (nulls_vacated) slots[static_cast<size_t>(last)] = Element();
    --last;
  }
  int32_t Find(Element e) const {
    const auto at = std::find(slots.begin(), slots.begin() + Size(), e);
    return at == slots.begin() + Size() ? -1 : static_cast<int32_t>(at - slots.begin());
  }
};

template <typename Vector>
struct Probed : Vector {
  using Vector::Vector;
  template <typename Element>
  void CheckSame(const Model<Element>& model) {
    MODEL_CHECK(this->GetSize() == model.Size() && this->m_capacity == model.capacity);
    MODEL_CHECK(std::memcmp(&this->m_growFactor, &model.grow_factor, sizeof(float)) == 0);
    MODEL_CHECK((this->GetArray() != nullptr) == model.has_storage);
    MODEL_CHECK(std::equal(model.slots.begin(), model.slots.end(), this->GetArray()));
  }
};

float PickGrowFactor(OpStream& in) {
  return in.Pick({0.5f, 1.0f, 0.01f, 2.5f, 0.0f, -1.0f, std::numeric_limits<float>::quiet_NaN()});
}

// make gives the elements from 0 to 7; GetElement answers out_of_range
// outside the elements. Appending, to another vector's copy or the vector's
// own, at most doubles the size; the cap keeps runs to a few thousand slots.
template <typename Vector, typename Element>
void Run(OpStream& in, bool nulls_vacated, Element out_of_range, Element (*make)(int32_t)) {
  const float grow_factor = PickGrowFactor(in);
  const int32_t capacity = in.Pick({16, 0, 1, 2, 4, 100});
  Probed<Vector> vector(grow_factor, capacity), other(0.5f, 16);
  Model<Element> model{{}, false, capacity, -1, grow_factor, nulls_vacated}, other_model = model;
  other_model.capacity = 16, other_model.grow_factor = 0.5f;
  for (int step = 0; step < 200 && in.More(); ++step) {
    const Element element = make(in.Range(0, 7));
    const int32_t index = in.Range(-2, model.Size() + 1);
    switch (in.Range(0, 15)) {
      case 3: other.AddElement(element), other_model.Add(element); break;
      case 4: {  // the other vector, or the vector itself
        const bool own = in.Bool();
        const Model<Element> source = own ? model : other_model;
        if (model.Size() > 2048) break;
        vector.AppendArray(own ? &vector : &other);
        for (int32_t i = 0; i < source.Size(); ++i) model.Add(source.slots[static_cast<size_t>(i)]);
        break;
      }
      case 5: {
        const int32_t size = in.Range(-3, 70);
        vector.Resize(size), model.Resize(size);
        break;
      }
      case 6:
        if (model.last < model.capacity - 1) model.Allocate(model.Size());
        MODEL_CHECK(vector.Adjust() == model.capacity);
        break;
      case 7: vector.RemoveElement(element), model.Remove(model.Find(element)); break;
      case 8: vector.RemoveElement(index), model.Remove(index); break;
      case 9: MODEL_CHECK(vector.isElement(element) == model.Find(element)); break;
      case 10:
        MODEL_CHECK(vector.GetElement(index) ==
                    (model.InRange(index) ? model.slots[static_cast<size_t>(index)] : out_of_range));
        break;
      case 11:
        vector.SetElement(element, index);
        if (model.InRange(index)) model.slots[static_cast<size_t>(index)] = element;
        break;
      case 12: vector.Reset(), model.last = -1; break;
      case 13: vector.Clear(), model.slots.clear(), model.has_storage = false, model.last = -1; break;
      case 14: {  // a vector with storage keeps counting the slots it has
        const int32_t new_capacity = in.Range(0, 40);
        vector.SetCapacity(new_capacity, model.grow_factor = PickGrowFactor(in));
        model.capacity = model.has_storage ? model.capacity : new_capacity;
        break;
      }
      case 15: {  // copies duplicate the storage: changing one leaves the other
        auto copy = vector;
        Model<Element> copy_model = model;
        copy.AddElement(element), copy_model.Add(element);
        copy.CheckSame(copy_model);
        if (in.Bool()) vector = copy, model = copy_model;
        break;
      }
      default: vector.AddElement(element), model.Add(element);
    }
    vector.CheckSame(model);
    other.CheckSame(other_model);
  }
}

}  // namespace

// UVector's elements include 0xFFFFFFFF, its answer outside the elements;
// TVector's are pointers, null among them.
void RunVectors(OpStream& in) {
  if (in.Bool()) {
    Run<UVector, uint32_t>(in, false, 0xFFFFFFFFu,
                           [](int32_t n) { return n == 7 ? 0xFFFFFFFFu : static_cast<uint32_t>(n); });
  } else {
    Run<TVector<char>, char*>(in, true, nullptr, Token<char>);
  }
}

}  // namespace vem_test
