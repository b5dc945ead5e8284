// The process-wide registry of storages, keyed by identifier. It refers to
// storages and never deletes one.
#include "VemParams.h"

void VemParamStorage::AddStorage(uint32_t id, VemParamStorage* storage) {
  // Put ignores a null value, leaving any registration in place.
  s_storages.Put(static_cast<int32_t>(id), storage);
}

// GetStorage is inline in the header; this keeps the library's exported
// copy for programs built against headers in which it was not.
namespace {
__attribute__((used)) VemParamStorage* (*const kExportedGetStorage)(uint32_t) = &VemParamStorage::GetStorage;
}  // namespace
