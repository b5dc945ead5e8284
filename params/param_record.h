// Value buffers of a parameter record: the storage owns strVal.current of a
// string parameter and arrVal.current of an array parameter. These helpers
// are the only code that allocates, replaces or frees them.
#ifndef VEMMISC_PARAMS_PARAM_RECORD_H_
#define VEMMISC_PARAMS_PARAM_RECORD_H_

#include <cstdint>

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

// Writes a raw value of the record's type: 8 bytes for integers and doubles,
// 1 byte for booleans (any non-zero byte is true), size bytes of text ending
// in NUL for strings, size bytes for arrays (whose length becomes size). The
// caller has checked size; value may overlap the record's own buffer.
void StoreRawValue(_VemStParam* param, const void* value, uint32_t size);

// Whether a raw value of size bytes at value fits the record's type.
bool RawValueFits(const _VemStParam& param, const void* value, uint32_t size);

// Whether value lies in the integer or double range of the record; always
// true for the other types. value points to 8 bytes of the record's type.
bool ValueInRange(const _VemStParam& param, const void* value);

// Releases a record together with its buffer.
struct RecordDeleter {
  void operator()(_VemStParam* param) const;
};

}  // namespace vem

#endif  // VEMMISC_PARAMS_PARAM_RECORD_H_
