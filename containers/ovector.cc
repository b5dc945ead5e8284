// OVector: untyped pointer elements. A removal nulls the vacated slot, so
// the storage keeps no stale pointer.
#include "VemContainers.h"
#include "containers/vector_core.h"

namespace {
using Core = vem::VectorCore<void*>;
}  // namespace

#define VEM_VECTOR OVector
#define VEM_ELEMENT void*
#include "containers/vector_members.inc"
#undef VEM_ELEMENT
#undef VEM_VECTOR

void OVector::RemoveElement(int32_t index) {
  const int32_t former_last = m_lastIndex;
  if (Core(m_array, m_capacity, m_lastIndex, m_growFactor).RemoveAt(index)) {
    m_array[former_last] = nullptr;
  }
}

void* OVector::GetElement(int32_t index) const { return Core::IsIndex(index, m_lastIndex) ? m_array[index] : nullptr; }

int32_t OVector::GetSize() const { return m_lastIndex + 1; }
