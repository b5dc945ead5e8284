// Value buffers of a parameter record: the storage owns strVal.current of a
// string parameter and arrVal.current of an array parameter. These helpers
// are the only code that allocates, replaces or frees them.
#ifndef VEMMISC_PARAMS_PARAM_RECORD_H_
#define VEMMISC_PARAMS_PARAM_RECORD_H_

#include <cstdint>
#include <cstring>

#include "VemParams.h"

namespace vem {

bool IsKnownParamType(uint32_t type);

// Whether name holds its NUL within its 256 bytes.
bool HasTerminatedName(const _VemStParam& param);

// Turns a caller's record into the one a storage keeps: the current value
// taken from the initial one, the storage's own string copy or array buffer
// (zero-filled when no initial bytes are given), and bool fields made 0 or 1
// whatever byte the caller left in them. The type must be known.
void CompleteRecord(_VemStParam* param);

// Frees the buffer a string or array record owns; other types own none.
void FreeValueBuffer(_VemStParam* param);

// Writes text or bytes into a string or array record: size bytes of text
// ending in NUL, or size bytes that become the array's length. The buffer is
// reused when it has room and replaced otherwise; value may point into it.
void StoreBufferValue(_VemStParam* param, const void* value, uint32_t size);

// Writes a raw value into a record of the given type (which the caller has
// checked, like size): 8 bytes for integers and doubles, 1 byte for booleans
// (any non-zero byte is true), text or bytes as StoreBufferValue takes them.
inline void StoreRawValue(_VemStParam* param, uint32_t type, const void* value, uint32_t size) {
  switch (type) {
    case PARAM_TYPE_INT: std::memcpy(&param->intVal.current, value, sizeof(int64_t)); return;
    case PARAM_TYPE_BOOL: param->boolVal.current = *static_cast<const unsigned char*>(value) != 0; return;
    case PARAM_TYPE_FLOAT: std::memcpy(&param->floatVal.current, value, sizeof(double)); return;
    default: StoreBufferValue(param, value, size);
  }
}

// Whether a raw value of size bytes at value fits the record's type.
bool RawValueFits(const _VemStParam& param, const void* value, uint32_t size);

// Whether the 8 bytes at value lie in the integer or double range of the
// record; always true for the other types.
inline bool ValueInRange(const _VemStParam& param, const void* value) {
  if (param.type == PARAM_TYPE_INT) {
    int64_t v;
    std::memcpy(&v, value, sizeof(v));
    const auto& range = param.intVal;
    const bool above = range.minExclusive ? v > range.min : v >= range.min;
    const bool below = range.maxExclusive ? v < range.max : v <= range.max;
    return above && below;
  }
  if (param.type == PARAM_TYPE_FLOAT) {
    double v;
    std::memcpy(&v, value, sizeof(v));
    const auto& range = param.floatVal;
    // Written as negated failures so that any comparison with a NaN passes.
    const bool above = range.minExclusive ? !(v <= range.min) : !(v < range.min);
    const bool below = range.maxExclusive ? !(v >= range.max) : !(v > range.max);
    return above && below;
  }
  return true;
}

// Releases a record together with its buffer.
struct RecordDeleter {
  void operator()(_VemStParam* param) const;
};

}  // namespace vem

#endif  // VEMMISC_PARAMS_PARAM_RECORD_H_
