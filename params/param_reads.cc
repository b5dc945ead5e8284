// The typed getters. Each finds the record and checks its type. A record
// without callbacks is delivered at once, after the access test; otherwise
// the value is snapshot for pfnAfterGet, pfnBeforeGet may refresh or refuse,
// access is tested, the value delivered and the snapshot reported to
// pfnAfterGet.
#include <cstring>
#include <memory>

#include "VemParams.h"
#include "params/callout_scope.h"
#include "params/name_key.h"

namespace {

// A copy of a record's value as it was before pfnBeforeGet ran. Small values
// stay on the stack.
class ValueSnapshot {
 public:
  void Take(const _VemStParam& param) {
    const void* source = &param.intVal.current;
    switch (param.type) {
      case PARAM_TYPE_BOOL: m_size = 1; break;
      case PARAM_TYPE_STRING:
        source = param.strVal.current;
        m_size = static_cast<uint32_t>(std::strlen(param.strVal.current) + 1);
        break;
      case PARAM_TYPE_ARRAY:
        source = param.arrVal.current;
        m_size = param.arrVal.size;
        break;
      default: m_size = 8;
    }
    if (m_size > sizeof(m_inline)) {
      m_heap.reset(new unsigned char[m_size]);
      m_data = m_heap.get();
    }
    if (m_size > 0) std::memcpy(m_data, source, m_size);
  }
  void* data() { return m_data; }
  uint32_t size() const { return m_size; }

 private:
  alignas(8) unsigned char m_inline[128];
  unsigned char* m_data = m_inline;
  uint32_t m_size = 0;
  std::unique_ptr<unsigned char[]> m_heap;
};

// Copies size bytes of a value to the caller's buffer. A short value is
// copied here, a word at a time: for the texts parameters usually hold, the
// call to memcpy cost more than the copy itself (see GetString32 in
// bench/RESULTS.md).
void CopyToCaller(void* out, const void* source, uint32_t size) {
  constexpr uint32_t kInlineLimit = 64;
  if (size > kInlineLimit) {
    std::memcpy(out, source, size);
    return;
  }
  char* to = static_cast<char*>(out);
  const char* from = static_cast<const char*>(source);
  uint32_t done = 0;
  for (; done + sizeof(uint64_t) <= size; done += sizeof(uint64_t)) {
    std::memcpy(to + done, from + done, sizeof(uint64_t));
  }
  for (; done < size; ++done) to[done] = from[done];
}

// Writes the record's value to out: a scalar to the variable, text or bytes
// to the buffer with *length the buffer's size on entry and the value's size
// on success (a null buffer asks for the size). 0, or PARAM_ERR_BUFFER when
// the buffer is too small (nothing written).
int32_t DeliverValue(const _VemStParam& param, uint32_t type, void* out, uint32_t* length) {
  switch (type) {
    case PARAM_TYPE_INT: *static_cast<int64_t*>(out) = param.intVal.current; return 0;
    case PARAM_TYPE_BOOL: *static_cast<bool*>(out) = param.boolVal.current; return 0;
    case PARAM_TYPE_FLOAT: *static_cast<double*>(out) = param.floatVal.current; return 0;
    default: {
      const bool text = type == PARAM_TYPE_STRING;
      const void* source = text ? static_cast<const void*>(param.strVal.current) : param.arrVal.current;
      const uint32_t needed = text ? static_cast<uint32_t>(std::strlen(param.strVal.current) + 1) : param.arrVal.size;
      if (out == nullptr) {
        *length = needed;
        return 0;
      }
      if (*length < needed) return PARAM_ERR_BUFFER;
      *length = needed;
      CopyToCaller(out, source, needed);
      return 0;
    }
  }
}

}  // namespace

// Each getter has ReadValue's steps inlined (flatten) with its own type, so
// that the tests of the type fold away and a scalar read needs no length.
// ReadValue itself stays one exported function.
[[gnu::flatten]] int32_t VemParamStorage::GetParamInt(const char* name, int64_t* value) {
  return ReadValue(name, PARAM_TYPE_INT, value, nullptr);
}

[[gnu::flatten]] int32_t VemParamStorage::GetParamBool(const char* name, bool* value) {
  return ReadValue(name, PARAM_TYPE_BOOL, value, nullptr);
}

[[gnu::flatten]] int32_t VemParamStorage::GetParamFloat(const char* name, double* value) {
  return ReadValue(name, PARAM_TYPE_FLOAT, value, nullptr);
}

[[gnu::flatten]] int32_t VemParamStorage::GetParamString(const char* name, char* buffer, uint32_t* length) {
  return ReadValue(name, PARAM_TYPE_STRING, buffer, length);
}

[[gnu::flatten]] int32_t VemParamStorage::GetParamArray(const char* name, void* buffer, uint32_t* length) {
  return ReadValue(name, PARAM_TYPE_ARRAY, buffer, length);
}

// Scalars are written to out, which must not be null. Text and bytes go to
// out when it is not null (a null out asks for the size), with *length the
// buffer's size on entry and the value's size on success.
int32_t VemParamStorage::ReadValue(const char* name, uint32_t type, void* out, uint32_t* length) {
  int32_t key;
  _VemStParam* param = vem::FindRecord(m_params, name, &key);
  if (param == nullptr) return PARAM_ERR_NOT_FOUND;
  if (param->type != type) return PARAM_ERR_TYPE;
  const bool sized = type == PARAM_TYPE_STRING || type == PARAM_TYPE_ARRAY;
  if (sized ? length == nullptr : out == nullptr) return PARAM_ERR_BUFFER;
  // Without callbacks no caller code runs: nothing to snapshot or guard.
  if (param->pfnBeforeGet != nullptr || param->pfnAfterGet != nullptr) {
    return ReadThroughCallbacks(key, param, type, out, length);
  }
  if ((param->access & PARAM_ACCESS_READ) == 0) return PARAM_ERR_ACCESS;
  return DeliverValue(*param, type, out, length);
}

// Out of line: the getters inline everything else, and this path is long.
[[gnu::noinline]] int32_t VemParamStorage::ReadThroughCallbacks(int32_t key, _VemStParam* param, uint32_t type,
                                                                void* out, uint32_t* length) {
  CalloutScope scope(this);
  ValueSnapshot before;
  before.Take(*param);
  if (param->pfnBeforeGet != nullptr) {
    const uint32_t shape = m_shapeVersion;
    const int32_t refusal = param->pfnBeforeGet(m_id, param);
    if (refusal != 0) return refusal;
    if (shape != m_shapeVersion && !(m_params.Get(key) == param)) {
      return PARAM_ERR_NOT_FOUND;
    }
    if (param->type != type) return PARAM_ERR_TYPE;
  }
  if ((param->access & PARAM_ACCESS_READ) == 0) return PARAM_ERR_ACCESS;
  const int32_t delivered = DeliverValue(*param, type, out, length);
  // A size query ends here, without pfnAfterGet.
  if (delivered != 0 || out == nullptr) return delivered;
  if (param->pfnAfterGet == nullptr) return 0;
  return param->pfnAfterGet(m_id, param, before.data(), before.size());
}
