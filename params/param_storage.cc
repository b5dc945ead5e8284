// The storage core: life cycle, declaring parameters, raw writes, copying
// records out, and the release of records and listener lists.
#include <cstring>
#include <memory>
#include <vector>

#include "VemParams.h"
#include "params/name_key.h"
#include "params/param_record.h"

// What was released while caller code ran, waiting for the outermost call
// to return.
struct VemParamStorage::Retired {
  std::vector<std::unique_ptr<_VemStParam, vem::RecordDeleter>> params;
  std::vector<std::unique_ptr<TVector<VemParamListener*>>> lists;
};

VemParamStorage::VemParamStorage(uint32_t id) : m_id(id), m_calloutDepth(0), m_shapeVersion(0), m_retired(nullptr) {}

VemParamStorage::~VemParamStorage() {
  ClearStorage();
  // A storage destroyed from inside one of its own callbacks has nothing
  // left to wait for.
  ReleaseRetired();
}

int32_t VemParamStorage::ChangeDir(char*) { return 0; }
int32_t VemParamStorage::GetDir(char*) { return 0; }
int32_t VemParamStorage::UpdateFromObject() { return 0; }

void VemParamStorage::ClearStorage() {
  ReserveRetirement(static_cast<size_t>(m_params.Size()), static_cast<size_t>(m_listeners.Size()));
  ++m_shapeVersion;
  m_changedParams.Reset();

  CHtEnumerator params(&m_params);
  while (auto* param = static_cast<_VemStParam*>(params.NextElement())) {
    ReleaseRecord(param);
  }
  m_params.Clear();

  CHtEnumerator lists(&m_listeners);
  while (auto* list = static_cast<TVector<VemParamListener*>*>(lists.NextElement())) {
    ReleaseListenerList(list);
  }
  m_listeners.Clear();

  CHtEnumerator blocks(&m_linkedData);
  while (auto* block = static_cast<LinkedData*>(blocks.NextElement())) {
    delete[] static_cast<char*>(block->data);
    delete block;
  }
  m_linkedData.Clear();
}

int32_t VemParamStorage::AddParam(_VemStParam* param) {
  if (param == nullptr) return PARAM_ERR_BUFFER;
  if (!vem::HasTerminatedName(*param) || !vem::IsKnownParamType(param->type)) {
    return PARAM_ERR_TYPE;
  }
  // A callback may hand in the storage's own record. It is copied like any
  // other, but not completed in place: its buffer belongs to the storage.
  const bool held_here = m_calloutDepth > 0 && m_params.Contains(param);

  // The copy owns no buffer until CompleteRecord has given it its own.
  std::unique_ptr<_VemStParam> copy(new _VemStParam(*param));
  vem::CompleteRecord(copy.get());
  std::unique_ptr<_VemStParam, vem::RecordDeleter> stored(copy.release());

  const int32_t key = vem::NameKey(stored->name);
  ReserveRetirement(1, 0);
  _VemStParam* const kept = stored.get();
  // Put answers the earlier record under the key, or kept itself when new.
  _VemStParam* replaced = m_params.Put(key, kept);
  stored.release();
  if (replaced == kept) replaced = nullptr;
  if (!held_here && replaced != param) *param = *kept;
  if (replaced != nullptr) {
    // The queue forgets the replaced record; its entries stay as nulls so
    // that a flush walking the queue keeps its position.
    for (int32_t i = 0; i < m_changedParams.GetSize(); ++i) {
      if (m_changedParams.GetElement(i) == replaced) {
        m_changedParams.SetElement(nullptr, i);
      }
    }
    ++m_shapeVersion;
    ReleaseRecord(replaced);
  }
  return 0;
}

int32_t VemParamStorage::GetParamData(const char* name, _VemStParam* param) {
  int32_t key;
  const _VemStParam* stored = vem::FindRecord(m_params, name, &key);
  if (stored == nullptr) return PARAM_ERR_NOT_FOUND;
  if (param == nullptr) return PARAM_ERR_BUFFER;
  *param = *stored;
  return 0;
}

int32_t VemParamStorage::SetParam(_VemStParam* param, const void* value, uint32_t size) {
  if (param == nullptr || !vem::HasTerminatedName(*param) || m_params.Get(vem::NameKey(param->name)) != param) {
    return PARAM_ERR_NOT_FOUND;
  }
  if (value == nullptr && size > 0) return PARAM_ERR_BUFFER;
  if (!vem::RawValueFits(*param, value, size)) return PARAM_ERR_TYPE;
  vem::StoreRawValue(param, param->type, value, size);
  return 0;
}

int32_t VemParamStorage::GetParametersList(_VemStParam* list, uint32_t* count) {
  if (count == nullptr) return PARAM_ERR_BUFFER;
  const uint32_t needed = static_cast<uint32_t>(m_params.Size());
  if (list != nullptr && *count < needed) {
    *count = needed;
    return PARAM_ERR_BUFFER;
  }
  *count = needed;
  if (list == nullptr) return 0;
  CHtEnumerator params(&m_params);
  while (auto* param = static_cast<_VemStParam*>(params.NextElement())) {
    *list++ = *param;
  }
  return 0;
}

void VemParamStorage::ReleaseRecord(_VemStParam* param) {
  std::unique_ptr<_VemStParam, vem::RecordDeleter> owned(param);
  if (m_calloutDepth == 0) return;
  if (m_retired == nullptr) m_retired = new Retired;
  m_retired->params.push_back(std::move(owned));
}

void VemParamStorage::ReleaseListenerList(TVector<VemParamListener*>* list) {
  std::unique_ptr<TVector<VemParamListener*>> owned(list);
  for (int32_t i = 0; i < list->GetSize(); ++i) delete list->GetElement(i);
  // An empty list ends any notification pass still walking it.
  list->Reset();
  if (m_calloutDepth == 0) return;
  if (m_retired == nullptr) m_retired = new Retired;
  m_retired->lists.push_back(std::move(owned));
}

void VemParamStorage::ReserveRetirement(size_t params, size_t lists) {
  if (m_calloutDepth == 0) return;
  if (m_retired == nullptr) m_retired = new Retired;
  m_retired->params.reserve(m_retired->params.size() + params);
  m_retired->lists.reserve(m_retired->lists.size() + lists);
}

// Rarely needed, so kept out of the callers that flatten their steps.
[[gnu::noinline]] void VemParamStorage::ReleaseRetired() {
  delete m_retired;
  m_retired = nullptr;
}
