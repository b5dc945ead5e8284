// Differential fuzzer: UVector and OVector against VectorModel. The first
// byte picks the class; the rest picks the settings and a sequence of every
// operation, the odd ones included (Resize, Adjust, Reset, Clear, SetCapacity,
// InsertElement, appending a vector to itself, copies). After every step the
// size, the capacity, the growth factor and every slot of the storage must
// match the model.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "VemContainers.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/vector_model.h"

namespace {

// Reads the protected settings of either vector class.
template <typename Vector>
class Probed : public Vector {
 public:
  Probed(float growFactor, int32_t capacity) : Vector(growFactor, capacity) {}
  int32_t Capacity() const { return this->m_capacity; }
  float GrowFactor() const { return this->m_growFactor; }
};

struct UVectorKind {
  using Vector = UVector;
  using Element = uint32_t;
  static constexpr bool kNullsVacatedSlot = false;
  static Element Make(unsigned n) { return n == 7 ? 0xFFFFFFFFu : n; }
  static Element OutOfRange() { return 0xFFFFFFFFu; }
};

struct OVectorKind {
  using Vector = OVector;
  using Element = void*;
  static constexpr bool kNullsVacatedSlot = true;
  static Element Make(unsigned n) {
    return n == 0 ? nullptr : reinterpret_cast<void*>(uintptr_t{0x2000} + 8 * n);
  }
  static Element OutOfRange() { return nullptr; }
};

constexpr int32_t kMaxAppendSize = 2048;

bool SameFloat(float a, float b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

template <typename Kind, typename Model>
void CheckSame(Probed<typename Kind::Vector>& vector, const Model& model) {
  FUZZ_CHECK(vector.GetSize() == model.Size());
  FUZZ_CHECK(vector.Capacity() == model.Capacity());
  FUZZ_CHECK(SameFloat(vector.GrowFactor(), model.GrowFactor()));
  typename Kind::Element* array = vector.GetArray();
  FUZZ_CHECK((array != nullptr) == model.HasStorage());
  for (size_t i = 0; i < model.Slots().size(); ++i) {
    FUZZ_CHECK(array[i] == model.Slots()[i]);
  }
}

int32_t PickIndex(FuzzedDataProvider& in, int32_t size) {
  return in.ConsumeIntegralInRange<int32_t>(-2, size + 1);
}

float PickGrowFactor(FuzzedDataProvider& in) {
  return in.PickValueInArray({0.5f, 1.0f, 0.01f, 2.5f, 0.0f, -1.0f,
                              std::numeric_limits<float>::quiet_NaN()});
}

template <typename Kind>
void Run(FuzzedDataProvider& in) {
  using Element = typename Kind::Element;
  using Model = vem_fuzz::VectorModel<Element, Kind::kNullsVacatedSlot>;
  using Vector = Probed<typename Kind::Vector>;

  const float growFactor = PickGrowFactor(in);
  const int32_t capacity = in.PickValueInArray({16, 0, 1, 2, 4, 100});
  Vector vector(growFactor, capacity);
  Model model(growFactor, capacity);
  Vector other(0.5f, 16);
  Model otherModel(0.5f, 16);

  for (int step = 0; step < 200 && in.remaining_bytes() > 0; ++step) {
    const Element element = Kind::Make(in.ConsumeIntegralInRange(0u, 7u));
    const int32_t index = PickIndex(in, model.Size());
    switch (in.ConsumeIntegralInRange(0, 17)) {
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
      // Appending doubles the size at worst; the cap keeps every input to a
      // few thousand slots, so that runs stay fast.
      case 4:
        if (model.Size() > kMaxAppendSize) break;
        vector.AppendArray(&other);
        model.Append(otherModel);
        break;
      case 5:
        if (model.Size() > kMaxAppendSize) break;
        // Appending a vector to itself appends one copy of its elements.
        vector.AppendArray(&vector);
        model.Append(Model(model));
        break;
      case 6: {
        const int32_t size = in.ConsumeIntegralInRange<int32_t>(-3, 70);
        vector.Resize(size);
        model.Resize(size);
        break;
      }
      case 7:
        FUZZ_CHECK(vector.Adjust() == model.Adjust());
        break;
      case 8:
        vector.RemoveElement(element);
        model.RemoveAt(model.Find(element));
        break;
      case 9:
        vector.RemoveElement(index);
        model.RemoveAt(index);
        break;
      case 10:
        FUZZ_CHECK(vector.isElement(element) == model.Find(element));
        break;
      case 11:
        FUZZ_CHECK(vector.GetElement(index) ==
                   (model.InRange(index) ? model.At(index) : Kind::OutOfRange()));
        break;
      case 12:
        vector.SetElement(element, index);
        model.Set(element, index);
        break;
      case 13:
        vector.InsertElement(element, index);
        break;
      case 14:
        vector.Reset();
        model.Reset();
        break;
      case 15:
        vector.Clear();
        model.Clear();
        break;
      case 16: {
        const int32_t newCapacity = in.ConsumeIntegralInRange<int32_t>(0, 40);
        const float newFactor = PickGrowFactor(in);
        vector.SetCapacity(newCapacity, newFactor);
        model.SetCapacity(newCapacity, newFactor);
        break;
      }
      default: {
        // Copies duplicate the storage: changing one leaves the other alone.
        Vector copy(vector);
        Model copyModel(model);
        copy.AddElement(element);
        copyModel.Add(element);
        CheckSame<Kind>(copy, copyModel);
        if (in.ConsumeBool()) {
          vector = copy;
          model = copyModel;
        }
        break;
      }
    }
    CheckSame<Kind>(vector, model);
    CheckSame<Kind>(other, otherModel);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  if (in.ConsumeBool()) {
    Run<UVectorKind>(in);
  } else {
    Run<OVectorKind>(in);
  }
  return 0;
}
