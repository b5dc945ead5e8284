// The typed setters. Each runs the same steps: find the record, check its
// type, let pfnBeforeSet veto or rewrite the value, test access and range,
// store, then queue the record or apply it through pfnAfterSet and the
// listeners of the name.
#include <cstring>

#include "VemParams.h"
#include "params/callout_scope.h"
#include "params/name_key.h"
#include "params/param_record.h"

// Each setter has WriteValue's steps inlined (flatten) with its own type, so
// that the tests of the type fold away. WriteValue itself stays one exported
// function.
[[gnu::flatten]] int32_t VemParamStorage::SetParamInt(const char* name, int64_t value, bool notify) {
  return WriteValue(name, PARAM_TYPE_INT, &value, sizeof(value), notify);
}

[[gnu::flatten]] int32_t VemParamStorage::SetParamBool(const char* name, bool value, bool notify) {
  return WriteValue(name, PARAM_TYPE_BOOL, &value, sizeof(value), notify);
}

[[gnu::flatten]] int32_t VemParamStorage::SetParamFloat(const char* name, double value, bool notify) {
  return WriteValue(name, PARAM_TYPE_FLOAT, &value, sizeof(value), notify);
}

[[gnu::flatten]] int32_t VemParamStorage::SetParamString(const char* name, const char* text, bool notify) {
  // The text is measured only once it is known not to be null.
  return WriteValue(name, PARAM_TYPE_STRING, const_cast<char*>(text), 0, notify);
}

[[gnu::flatten]] int32_t VemParamStorage::SetParamArray(const char* name, const void* bytes, uint32_t count,
                                                        bool notify) {
  return WriteValue(name, PARAM_TYPE_ARRAY, const_cast<void*>(bytes), count, notify);
}

// value points to the setter's own copy of a scalar, or to the caller's text
// or bytes; size is the value's size (for text it is measured here).
int32_t VemParamStorage::WriteValue(const char* name, uint32_t type, void* value, uint32_t size, bool notify) {
  int32_t key;
  _VemStParam* param = vem::FindRecord(m_params, name, &key);
  if (param == nullptr) return PARAM_ERR_NOT_FOUND;
  if (param->type != type) return PARAM_ERR_TYPE;
  if (value == nullptr && (type == PARAM_TYPE_STRING || size > 0)) {
    return PARAM_ERR_BUFFER;
  }
  if (type == PARAM_TYPE_STRING) {
    size = static_cast<uint32_t>(std::strlen(static_cast<const char*>(value)) + 1);
  }

  if (param->pfnBeforeSet != nullptr) {
    CalloutScope scope(this);
    const uint32_t shape = m_shapeVersion;
    const int32_t veto = param->pfnBeforeSet(m_id, param, value, size);
    if (veto != 0) return veto;
    // The callback may have cleared the storage or replaced the parameter.
    if (shape != m_shapeVersion && !(m_params.Get(key) == param)) {
      return PARAM_ERR_NOT_FOUND;
    }
    if (param->type != type) return PARAM_ERR_TYPE;
  }
  if ((param->access & PARAM_ACCESS_WRITE) == 0) return PARAM_ERR_ACCESS;
  // Dispatching on the setter's own type keeps each path to its value's size.
  if ((type == PARAM_TYPE_INT || type == PARAM_TYPE_FLOAT) && !vem::ValueInRange(*param, value)) {
    return PARAM_ERR_RANGE;
  }
  vem::StoreRawValue(param, type, value, size);

  if (!notify) {
    m_changedParams.AddElement(param);
    return 0;
  }
  if (param->pfnAfterSet == nullptr) return 0;
  CalloutScope scope(this);
  const int32_t result = param->pfnAfterSet(m_id, param);
  if (TVector<VemParamListener*>* list = m_listeners.Get(key)) {
    NotifyListeners(list, param);
  }
  return result;
}
