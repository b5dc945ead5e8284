// Memory blocks linked to parameter names; the storage keeps its own copy.
#include <cstring>
#include <memory>

#include "VemParams.h"
#include "params/name_key.h"

int32_t VemParamStorage::LinkParamData(const char* name, const void* data, uint32_t size) {
  int32_t key;
  if (vem::FindRecord(m_params, name, &key) == nullptr) return PARAM_ERR_NOT_FOUND;
  if (data == nullptr && size > 0) return PARAM_ERR_BUFFER;

  std::unique_ptr<char[]> copy(size > 0 ? new char[size] : nullptr);
  if (size > 0) std::memcpy(copy.get(), data, size);
  std::unique_ptr<LinkedData> block(new LinkedData{copy.get(), size});
  LinkedData* earlier = m_linkedData.Put(key, block.get());
  copy.release();
  if (earlier != block.release()) {
    delete[] static_cast<char*>(earlier->data);
    delete earlier;
  }
  return 0;
}

int32_t VemParamStorage::GetLinkedData(const char* name, void* buffer, uint32_t size) {
  int32_t key;
  if (vem::FindRecord(m_params, name, &key) == nullptr) return PARAM_ERR_NOT_FOUND;
  const LinkedData* block = m_linkedData.Get(key);
  if (block == nullptr) return PARAM_ERR_NOT_FOUND;
  if (size < block->size || (buffer == nullptr && block->size > 0)) {
    return PARAM_ERR_BUFFER;
  }
  if (block->size > 0) std::memcpy(buffer, block->data, block->size);
  return 0;
}
