// A plain model of VemParamStorage for the property tests and the fuzzers. Records are
// kept by serial number and never freed during a run, so a callback that
// clears the storage cannot leave the model with a dangling record; the
// tables that give the enumeration orders are HashtableModel instances keyed
// exactly as the storage keys its own tables.
#ifndef VEMMISC_TESTS_MODELS_PARAMS_MODEL_H_
#define VEMMISC_TESTS_MODELS_PARAMS_MODEL_H_

#include <cmath>
#include <cstring>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "VemParams.h"
#include "tests/models/hashtable_model.h"

namespace vem_models {

// A parameter's value: the arm that its type selects.
struct ModelValue {
  int64_t i = 0;
  bool b = false;
  double d = 0;
  std::string bytes;  // text without its NUL, or the array's bytes
};

struct ModelParam {
  uint32_t serial = 0;
  uint32_t type = 0;
  uint32_t access = 0;
  std::string name;
  int64_t imin = 0, imax = 0;
  double dmin = 0, dmax = 0;
  bool minExclusive = false, maxExclusive = false;
  ModelValue value;
};

// A text describing a record's identity and value, the same for a model
// record and a library record with equal contents.
inline std::string Describe(uint32_t type, uint32_t access, const std::string& name,
                            const ModelValue& v) {
  std::string s = name + "|" + std::to_string(type) + "|" + std::to_string(access) + "|";
  switch (type) {
    case PARAM_TYPE_INT: return s + std::to_string(v.i);
    case PARAM_TYPE_BOOL: return s + (v.b ? "true" : "false");
    case PARAM_TYPE_FLOAT: {
      uint64_t bits;
      std::memcpy(&bits, &v.d, sizeof bits);
      return s + std::to_string(bits);
    }
    default: return s + std::to_string(v.bytes.size()) + ":" + v.bytes;
  }
}

inline std::string Describe(const ModelParam& p) {
  return Describe(p.type, p.access, p.name, p.value);
}

inline ModelValue ValueOf(const _VemStParam& p) {
  ModelValue v;
  switch (p.type) {
    case PARAM_TYPE_INT: v.i = p.intVal.current; break;
    case PARAM_TYPE_BOOL: v.b = p.boolVal.current; break;
    case PARAM_TYPE_FLOAT: v.d = p.floatVal.current; break;
    case PARAM_TYPE_STRING: v.bytes = p.strVal.current; break;
    default:
      if (p.arrVal.size > 0) {
        v.bytes.assign(static_cast<const char*>(p.arrVal.current), p.arrVal.size);
      }
      break;
  }
  return v;
}

inline std::string Describe(const _VemStParam& p) {
  return Describe(p.type, p.access, p.name, ValueOf(p));
}

inline bool InRange(const ModelParam& p, const ModelValue& v) {
  if (p.type == PARAM_TYPE_INT) {
    const bool low = p.minExclusive ? v.i > p.imin : v.i >= p.imin;
    const bool high = p.maxExclusive ? v.i < p.imax : v.i <= p.imax;
    return low && high;
  }
  // A comparison with a NaN on either side counts as met.
  if (std::isnan(v.d)) return true;
  const bool low = std::isnan(p.dmin) || (p.minExclusive ? v.d > p.dmin : v.d >= p.dmin);
  const bool high = std::isnan(p.dmax) || (p.maxExclusive ? v.d < p.dmax : v.d <= p.dmax);
  return low && high;
}

// The storage's state: which record each key holds, the listener lists, the
// linked blocks and the queue of deferred writes.
struct ModelStorage {
  ModelStorage() : params(151, 0.75f), lists(151, 0.75f) {}

  static void* Token(uint32_t n) { return reinterpret_cast<void*>(uintptr_t{n} * 16); }
  static uint32_t Serial(void* token) {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(token) / 16);
  }

  // The live record under key, or null.
  ModelParam* Find(int32_t key) {
    void* token = params.Get(key);
    return token == nullptr ? nullptr : &records[Serial(token)];
  }
  bool Live(uint32_t serial, int32_t key) {
    ModelParam* p = Find(key);
    return p != nullptr && p->serial == serial;
  }
  std::vector<int>* ListOf(int32_t key) {
    void* token = lists.Get(key);
    return token == nullptr ? nullptr : &listenerLists[Serial(token)];
  }

  void Clear() {
    params.Clear();
    for (std::vector<int>& list : listenerLists) list.clear();  // released
    lists.Clear();
    linked.clear();
    queue.clear();
  }

  HashtableModel params;                    // key -> record serial
  std::map<uint32_t, ModelParam> records;   // every record ever added
  HashtableModel lists;                     // key -> listener list index
  std::vector<std::vector<int>> listenerLists = {{}};  // listener ids, -1 null
  std::map<int32_t, std::string> linked;
  std::vector<std::pair<uint32_t, int32_t>> queue;  // (serial, key)
  uint32_t nextSerial = 1;
};

}  // namespace vem_models

#endif  // VEMMISC_TESTS_MODELS_PARAMS_MODEL_H_
