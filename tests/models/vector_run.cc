// UVector and TVector (an OVector) against VectorModel. The run picks the
// class and its settings, then every operation, the odd ones included
// (Resize, Adjust, Reset, Clear, SetCapacity, InsertElement, appending a
// vector to itself, copies). After every step the size, the capacity, the
// growth factor and every slot of the storage must match the model.
#include <cstdint>
#include <cstring>
#include <limits>

#include "VemContainers.h"
#include "tests/models/op_stream.h"
#include "tests/models/vector_model.h"

namespace vem_test {
namespace {

template <typename Vector>
class Probed : public Vector {
 public:
  Probed(float grow_factor, int32_t capacity) : Vector(grow_factor, capacity) {}
  int32_t Capacity() const { return this->m_capacity; }
  float GrowFactor() const { return this->m_growFactor; }
};

struct UKind {
  using Vector = UVector;
  using Element = uint32_t;
  static constexpr bool kNullsVacatedSlot = false;
  static Element Make(int32_t n) { return n == 7 ? 0xFFFFFFFFu : static_cast<uint32_t>(n); }
  static constexpr Element kOutOfRange = 0xFFFFFFFFu;
};

struct TKind {
  using Vector = TVector<char>;
  using Element = char*;
  static constexpr bool kNullsVacatedSlot = true;
  static Element Make(int32_t n) {
    return n == 0 ? nullptr : reinterpret_cast<char*>(uintptr_t{0x2000} + 8 * static_cast<uintptr_t>(n));
  }
  static constexpr Element kOutOfRange = nullptr;
};

template <typename Kind, typename Model>
void CheckSame(Probed<typename Kind::Vector>& vector, const Model& model) {
  MODEL_CHECK(vector.GetSize() == model.Size() && vector.Capacity() == model.Capacity());
  const float factor = vector.GrowFactor(), expected = model.GrowFactor();
  MODEL_CHECK(std::memcmp(&factor, &expected, sizeof factor) == 0);
  auto* array = vector.GetArray();
  MODEL_CHECK((array != nullptr) == model.HasStorage());
  for (size_t i = 0; i < model.Slots().size(); ++i) MODEL_CHECK(array[i] == model.Slots()[i]);
}

float PickGrowFactor(OpStream& in) {
  return in.Pick({0.5f, 1.0f, 0.01f, 2.5f, 0.0f, -1.0f, std::numeric_limits<float>::quiet_NaN()});
}

template <typename Kind>
void Run(OpStream& in) {
  using Model = VectorModel<typename Kind::Element, Kind::kNullsVacatedSlot>;
  using Vector = Probed<typename Kind::Vector>;
  const float grow_factor = PickGrowFactor(in);
  const int32_t capacity = in.Pick({16, 0, 1, 2, 4, 100});
  Vector vector(grow_factor, capacity), other(0.5f, 16);
  Model model(grow_factor, capacity), otherModel(0.5f, 16);
  for (int step = 0; step < 200 && in.More(); ++step) {
    const typename Kind::Element element = Kind::Make(in.Range(0, 7));
    const int32_t index = in.Range(-2, model.Size() + 1);
    switch (in.Range(0, 17)) {
      case 0:
      case 1:
      case 2:
        vector.AddElement(element);
        model.Add(element);
        break;
      case 3:
        other.AddElement(element);
        otherModel.Add(element);
        break;
      // Appending at most doubles the size; the cap keeps runs to a few
      // thousand slots.
      case 4:
        if (model.Size() <= 2048) vector.AppendArray(&other), model.Append(otherModel);
        break;
      case 5:  // a vector appended to itself gains one copy of its elements
        if (model.Size() <= 2048) vector.AppendArray(&vector), model.Append(Model(model));
        break;
      case 6: {
        const int32_t size = in.Range(-3, 70);
        vector.Resize(size);
        model.Resize(size);
        break;
      }
      case 7: MODEL_CHECK(vector.Adjust() == model.Adjust()); break;
      case 8:
        vector.RemoveElement(element);
        model.RemoveAt(model.Find(element));
        break;
      case 9:
        vector.RemoveElement(index);
        model.RemoveAt(index);
        break;
      case 10: MODEL_CHECK(vector.isElement(element) == model.Find(element)); break;
      case 11:
        MODEL_CHECK(vector.GetElement(index) == (model.InRange(index) ? model.At(index) : Kind::kOutOfRange));
        break;
      case 12:
        vector.SetElement(element, index);
        model.Set(element, index);
        break;
      case 13: vector.InsertElement(element, index); break;
      case 14:
        vector.Reset();
        model.Reset();
        break;
      case 15:
        vector.Clear();
        model.Clear();
        break;
      case 16: {
        const int32_t new_capacity = in.Range(0, 40);
        const float newFactor = PickGrowFactor(in);
        vector.SetCapacity(new_capacity, newFactor);
        model.SetCapacity(new_capacity, newFactor);
        break;
      }
      default: {  // copies duplicate the storage: changing one leaves the other
        Vector copy(vector);
        Model copyModel(model);
        copy.AddElement(element);
        copyModel.Add(element);
        CheckSame<Kind>(copy, copyModel);
        if (in.Bool()) vector = copy, model = copyModel;
        break;
      }
    }
    CheckSame<Kind>(vector, model);
    CheckSame<Kind>(other, otherModel);
  }
}

}  // namespace

void RunVectors(OpStream& in) {
  if (in.Bool()) {
    Run<UKind>(in);
  } else {
    Run<TKind>(in);
  }
}

}  // namespace vem_test
