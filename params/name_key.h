// The key of a parameter name, GenerateID of the narrow name, and the
// lookup of a record by name.
#ifndef VEMMISC_PARAMS_NAME_KEY_H_
#define VEMMISC_PARAMS_NAME_KEY_H_

#include <cstdint>

#include "VemContainers.h"
#include "VemParams.h"
#include "containers/narrow_text.h"

namespace vem {

// Names are nearly always 7-bit ASCII, whose bytes every narrow conversion
// maps to the same code units, so those are hashed here directly; any other
// byte hands the whole name to GenerateID.
inline int32_t NameKey(const char* name) {
  if (name == nullptr) return 0;
  uint32_t hash = 0;
  for (const char* c = name; *c != '\0'; ++c) {
    const unsigned char byte = static_cast<unsigned char>(*c);
    if (byte >= 0x80) return GenerateID(name);
    hash = HashStep(hash, byte);
  }
  return static_cast<int32_t>(hash);
}

// The record stored under the name's key (written to *key), or null.
inline _VemStParam* FindRecord(const THashtable<_VemStParam>& params,
                               const char* name, int32_t* key) {
  *key = NameKey(name);
  return params.Get(*key);
}

}  // namespace vem

#endif  // VEMMISC_PARAMS_NAME_KEY_H_
