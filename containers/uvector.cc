#include <utility>

#include "VemContainers.h"
#include "containers/vector_core.h"

namespace {

constexpr int32_t kDefaultCapacity = 16;
constexpr float kDefaultGrowFactor = 0.5f;

using Core = vem::VectorCore<uint32_t>;

}  // namespace

UVector::UVector() : UVector(kDefaultGrowFactor, kDefaultCapacity) {}

UVector::UVector(float growFactor, int32_t capacity)
    : m_array(nullptr),
      m_capacity(capacity),
      m_lastIndex(-1),
      m_growFactor(growFactor) {}

UVector::UVector(const UVector& other)
    : m_array(Core::Duplicate(other.m_array, other.m_capacity)),
      m_capacity(other.m_capacity),
      m_lastIndex(other.m_lastIndex),
      m_growFactor(other.m_growFactor) {}

UVector& UVector::operator=(const UVector& other) {
  UVector copy(other);
  std::swap(m_array, copy.m_array);
  std::swap(m_capacity, copy.m_capacity);
  std::swap(m_lastIndex, copy.m_lastIndex);
  std::swap(m_growFactor, copy.m_growFactor);
  return *this;
}

UVector::~UVector() { std::free(m_array); }

void UVector::SetCapacity(int32_t capacity, float growFactor) {
  Core(m_array, m_capacity, m_lastIndex, m_growFactor)
      .SetCapacity(capacity, growFactor);
}

void UVector::GrowAndAdd(uint32_t element) {
  Core(m_array, m_capacity, m_lastIndex, m_growFactor).Add(element);
}

void UVector::AppendArray(const UVector* source) {
  Core(m_array, m_capacity, m_lastIndex, m_growFactor)
      .Append(source->m_array, source->m_lastIndex + 1);
}

void UVector::InsertElement(uint32_t /*element*/, int32_t /*index*/) {}

void UVector::Resize(int32_t newSize) {
  Core(m_array, m_capacity, m_lastIndex, m_growFactor).Resize(newSize);
}

int32_t UVector::Adjust() {
  return Core(m_array, m_capacity, m_lastIndex, m_growFactor).Adjust();
}

void UVector::RemoveElement(uint32_t element) {
  RemoveElement(isElement(element));
}

void UVector::RemoveElement(int32_t index) {
  Core(m_array, m_capacity, m_lastIndex, m_growFactor).RemoveAt(index);
}

int32_t UVector::isElement(uint32_t element) const {
  return Core::Find(m_array, m_lastIndex, element);
}

uint32_t UVector::GetElement(int32_t index) const {
  return Core::IsIndex(index, m_lastIndex) ? m_array[index] : 0xFFFFFFFFu;
}

void UVector::SetElement(uint32_t element, int32_t index) {
  if (Core::IsIndex(index, m_lastIndex)) m_array[index] = element;
}

uint32_t* UVector::GetArray() { return m_array; }

int32_t UVector::GetSize() { return m_lastIndex + 1; }

void UVector::Reset() { m_lastIndex = -1; }

void UVector::Clear() {
  Core(m_array, m_capacity, m_lastIndex, m_growFactor).Clear();
}
