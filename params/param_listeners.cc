// Change listeners: one list per name key, each entry a cell the storage
// allocates to hold one registration's listener pointer.
#include <memory>

#include "VemParams.h"
#include "params/name_key.h"

int32_t VemParamStorage::AddParamChangedListener(const char* name, VemParamListener* listener) {
  int32_t key;
  if (vem::FindRecord(m_params, name, &key) == nullptr) return PARAM_ERR_NOT_FOUND;
  std::unique_ptr<VemParamListener*> cell(new VemParamListener*(listener));
  if (TVector<VemParamListener*>* list = m_listeners.Get(key)) {
    list->AddElement(cell.get());
    cell.release();
    return 0;
  }
  std::unique_ptr<TVector<VemParamListener*>> list(new TVector<VemParamListener*>());
  list->AddElement(cell.get());
  m_listeners.Put(key, list.get());
  cell.release();
  list.release();
  ++m_shapeVersion;
  return 0;
}

int32_t VemParamStorage::RemoveParamChangedListener(const char* name, VemParamListener* listener) {
  TVector<VemParamListener*>* list = m_listeners.Get(vem::NameKey(name));
  if (list == nullptr) return PARAM_ERR_NOT_FOUND;
  for (int32_t i = 0; i < list->GetSize(); ++i) {
    VemParamListener** cell = list->GetElement(i);
    if (*cell == listener) {
      list->RemoveElement(i);
      // A pass calling this listener right now has already read the cell.
      delete cell;
      return 0;
    }
  }
  return PARAM_ERR_NOT_FOUND;
}

// Reads the list's length and entry afresh at every step, so that listeners
// may add or remove registrations while they are being called. GCC may not
// clone it for a constant argument: a Windows DLL exports every function of
// an exported class, the clone included, so the export table would depend on
// the optimiser.
#if defined(__GNUC__) && !defined(__clang__)
[[gnu::noclone]]
#endif
void VemParamStorage::NotifyListeners(TVector<VemParamListener*>* list, const _VemStParam* param) {
  for (int32_t i = 0; i < list->GetSize(); ++i) {
    VemParamListener* listener = *list->GetElement(i);
    if (listener == nullptr) continue;
    // Each listener gets its own copy: what it does to it stays with it.
    _VemStParam copy = *param;
    listener->OnParamChanged(&copy);
  }
}
