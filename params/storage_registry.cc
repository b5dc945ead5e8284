// The process-wide registry of storages, keyed by identifier. It refers to
// storages and never deletes one.
#include "VemParams.h"

void VemParamStorage::AddStorage(uint32_t id, VemParamStorage* storage) {
  // Put ignores a null value, leaving any registration in place.
  s_storages.Put(static_cast<int32_t>(id), storage);
}

VemParamStorage* VemParamStorage::GetStorage(uint32_t id) {
  return s_storages.Get(static_cast<int32_t>(id));
}
