#include <utility>

#include "VemContainers.h"
#include "containers/vector_core.h"

namespace {

constexpr int32_t kDefaultCapacity = 16;
constexpr float kDefaultGrowFactor = 0.5f;

using Core = vem::VectorCore<void*>;

}  // namespace

OVector::OVector() : OVector(kDefaultGrowFactor, kDefaultCapacity) {}

OVector::OVector(float growFactor, int32_t capacity)
    : m_array(nullptr),
      m_capacity(capacity),
      m_lastIndex(-1),
      m_growFactor(growFactor) {}

OVector::OVector(const OVector& other)
    : m_array(Core::Duplicate(other.m_array, other.m_capacity)),
      m_capacity(other.m_capacity),
      m_lastIndex(other.m_lastIndex),
      m_growFactor(other.m_growFactor) {}

OVector& OVector::operator=(const OVector& other) {
  OVector copy(other);
  std::swap(m_array, copy.m_array);
  std::swap(m_capacity, copy.m_capacity);
  std::swap(m_lastIndex, copy.m_lastIndex);
  std::swap(m_growFactor, copy.m_growFactor);
  return *this;
}

OVector::~OVector() { std::free(m_array); }

void OVector::SetCapacity(int32_t capacity, float growFactor) {
  Core(m_array, m_capacity, m_lastIndex, m_growFactor)
      .SetCapacity(capacity, growFactor);
}

void OVector::GrowAndAdd(void* element) {
  Core(m_array, m_capacity, m_lastIndex, m_growFactor).Add(element);
}

void OVector::AppendArray(const OVector* source) {
  Core(m_array, m_capacity, m_lastIndex, m_growFactor)
      .Append(source->m_array, source->m_lastIndex + 1);
}

void OVector::InsertElement(void* /*element*/, int32_t /*index*/) {}

void OVector::Resize(int32_t newSize) {
  Core(m_array, m_capacity, m_lastIndex, m_growFactor).Resize(newSize);
}

int32_t OVector::Adjust() {
  return Core(m_array, m_capacity, m_lastIndex, m_growFactor).Adjust();
}

void OVector::RemoveElement(void* element) {
  RemoveElement(isElement(element));
}

// Unlike UVector, the slot the last element leaves is nulled, so the storage
// keeps no stale pointer.
void OVector::RemoveElement(int32_t index) {
  const int32_t formerLast = m_lastIndex;
  if (Core(m_array, m_capacity, m_lastIndex, m_growFactor).RemoveAt(index)) {
    m_array[formerLast] = nullptr;
  }
}

int32_t OVector::isElement(void* element) const {
  return Core::Find(m_array, m_lastIndex, element);
}

void* OVector::GetElement(int32_t index) const {
  return Core::IsIndex(index, m_lastIndex) ? m_array[index] : nullptr;
}

void OVector::SetElement(void* element, int32_t index) {
  if (Core::IsIndex(index, m_lastIndex)) m_array[index] = element;
}

void** OVector::GetArray() { return m_array; }

int32_t OVector::GetSize() const { return m_lastIndex + 1; }

void OVector::Reset() { m_lastIndex = -1; }

void OVector::Clear() {
  Core(m_array, m_capacity, m_lastIndex, m_growFactor).Clear();
}
