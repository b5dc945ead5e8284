// The key of a parameter name, GenerateID of the narrow name, and the
// lookup of a record by name.
#ifndef VEMMISC_PARAMS_NAME_KEY_H_
#define VEMMISC_PARAMS_NAME_KEY_H_

#include <cstdint>

#include "VemContainers.h"
#include "VemParams.h"
#include "text/narrow_text.h"

namespace vem {

// Names are nearly always 7-bit ASCII, which is hashed here directly; a name
// holding any other byte goes whole to GenerateID.
inline int32_t NameKey(const char* name) {
  if (name == nullptr) return 0;
  const auto* rest = reinterpret_cast<const unsigned char*>(name);
  const uint32_t hash = HashAsciiRun(&rest, 0);
  return *rest == '\0' ? static_cast<int32_t>(hash) : GenerateID(name);
}

// The record stored under the name's key (written to *key), or null.
inline _VemStParam* FindRecord(const THashtable<_VemStParam>& params, const char* name, int32_t* key) {
  *key = NameKey(name);
  return params.Get(*key);
}

}  // namespace vem

#endif  // VEMMISC_PARAMS_NAME_KEY_H_
