// UVector: unsigned 32-bit elements. A removal leaves the vacated slot as it
// was.
#include "VemContainers.h"
#include "containers/vector_core.h"

namespace {
using Core = vem::VectorCore<uint32_t>;
}  // namespace

#define VEM_VECTOR UVector
#define VEM_ELEMENT uint32_t
#include "containers/vector_members.inc"
#undef VEM_ELEMENT
#undef VEM_VECTOR

void UVector::RemoveElement(int32_t index) { Core(m_array, m_capacity, m_lastIndex, m_growFactor).RemoveAt(index); }

uint32_t UVector::GetElement(int32_t index) const {
  return Core::IsIndex(index, m_lastIndex) ? m_array[index] : 0xFFFFFFFFu;
}

int32_t UVector::GetSize() { return m_lastIndex + 1; }
