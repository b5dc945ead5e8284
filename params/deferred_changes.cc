// Flushing the changes written with the notify flag false.
#include <vector>

#include "VemParams.h"
#include "params/callout_scope.h"

int32_t VemParamStorage::UpdateToObject() {
  CalloutScope scope(this);
  int32_t result = 0;
  // Every listener list, in the table's enumeration order. Listeners may add
  // lists or clear the storage, which would invalidate an enumerator of the
  // table, so the lists are collected first and collected again whenever the
  // tables have changed shape. Lists released meanwhile stay readable (and
  // empty) until the outermost call returns.
  std::vector<TVector<VemParamListener*>*> lists;
  uint32_t lists_shape = m_shapeVersion - 1;

  // Callbacks and listeners may queue further writes: the length is read
  // afresh at every step, so those are flushed in this same pass.
  for (int32_t i = 0; i < m_changedParams.GetSize(); ++i) {
    _VemStParam* param = m_changedParams.GetElement(i);
    if (param == nullptr || param->pfnAfterSet == nullptr) continue;
    const int32_t applied = param->pfnAfterSet(m_id, param);
    if (applied != 0) result = applied;

    if (lists_shape != m_shapeVersion) {
      lists_shape = m_shapeVersion;
      lists.clear();
      CHtEnumerator tables(&m_listeners);
      while (void* list = tables.NextElement()) {
        lists.push_back(static_cast<TVector<VemParamListener*>*>(list));
      }
    }
    for (TVector<VemParamListener*>* list : lists) NotifyListeners(list, param);
  }
  m_changedParams.Reset();
  return result;
}
