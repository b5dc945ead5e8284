// Differential fuzzer: VemParamStorage against ModelStorage. The input is a
// sequence of operations on a small pool of names (two pairs of them share a
// key): AddParam of every type with random access flags, ranges (NaN bounds
// included) and callbacks, the typed setters and getters with random types,
// listeners, linked blocks, deferred writes, UpdateToObject,
// GetParametersList and ClearStorage.
//
// Callbacks and listeners act on both worlds through the same code: they
// veto, rewrite the value, refresh it before a read, re-enter the storage,
// write another parameter deferred, clear the storage, and add or remove
// listeners while being notified. Each world logs every call into caller
// code; after every step the results, the values delivered and the logs must
// be equal.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "VemParams.h"
#include "fuzz/fuzz_check.h"
#include "tests/models/params_model.h"

namespace {

using vem_models::Describe;
using vem_models::ModelParam;
using vem_models::ModelStorage;
using vem_models::ModelValue;

const std::string kLongName(255, 'x');
const char* const kNames[] = {"Gain", "Aa", "BB", "", "AaAa", "BBBB",
                              "Level\xc3\xa9", kLongName.c_str()};
constexpr int kNameCount = 8;
constexpr int kListenerCount = 4;

enum BeforeSetMode { kNoBeforeSet, kAllowSet, kVetoSet, kRewriteSet, kClearInSet };
enum AfterSetMode { kNoAfterSet, kReturnAfterSet, kDeferWrite, kReenter };
enum BeforeGetMode { kNoBeforeGet, kAllowGet, kVetoGet, kRefreshGet };
enum AfterGetMode { kNoAfterGet, kReturnAfterGet, kLogAfterGet };
enum ListenerMode { kJustLog, kAddListener, kRemoveSelf };

// What the callbacks of the record under one key do; chosen at AddParam.
struct Behavior {
  int beforeSet = kNoBeforeSet, afterSet = kNoAfterSet;
  int beforeGet = kNoBeforeGet, afterGet = kNoAfterGet;
  int32_t code = 0;  // result of a veto or a returning callback
  int target = 0;    // name written by kDeferWrite
};

struct ListenerBehavior {
  int mode = kJustLog;
  int other = 0;  // listener added by kAddListener
  int name = 0;   // name that kAddListener / kRemoveSelf use
};

std::map<int32_t, Behavior> g_behaviors;
ListenerBehavior g_listenerBehaviors[kListenerCount];

int32_t KeyOf(const char* name) { return GenerateID(name); }

const Behavior& BehaviorOf(const char* name) { return g_behaviors[KeyOf(name)]; }

std::string DescribeRaw(uint32_t type, const void* value, uint32_t size) {
  ModelValue v;
  switch (type) {
    case PARAM_TYPE_INT: std::memcpy(&v.i, value, 8); break;
    case PARAM_TYPE_BOOL: std::memcpy(&v.b, value, 1); break;
    case PARAM_TYPE_FLOAT: std::memcpy(&v.d, value, 8); break;
    case PARAM_TYPE_STRING: v.bytes.assign(static_cast<const char*>(value), size - 1); break;
    default: v.bytes.assign(static_cast<const char*>(value), size); break;
  }
  return Describe(type, 0, "", v) + "/" + std::to_string(size);
}

// A callback's change to a scalar value on its way in.
void Rewrite(uint32_t type, void* value) {
  if (type == PARAM_TYPE_INT) *static_cast<int64_t*>(value) = 4;
  if (type == PARAM_TYPE_BOOL) *static_cast<bool*>(value) = true;
  if (type == PARAM_TYPE_FLOAT) *static_cast<double*>(value) = 0.25;
}

// A callback bringing the value up to date before a read.
void Refresh(_VemStParam* p) {
  if (p->type == PARAM_TYPE_INT) p->intVal.current ^= 1;
  if (p->type == PARAM_TYPE_BOOL) p->boolVal.current = !p->boolVal.current;
  if (p->type == PARAM_TYPE_FLOAT) p->floatVal.current += 1;
}
void Refresh(ModelParam* p) {
  if (p->type == PARAM_TYPE_INT) p->value.i ^= 1;
  if (p->type == PARAM_TYPE_BOOL) p->value.b = !p->value.b;
  if (p->type == PARAM_TYPE_FLOAT) p->value.d += 1;
}
const char* NameOf(const _VemStParam* p) { return p->name; }
const char* NameOf(const ModelParam* p) { return p->name.c_str(); }

// The callbacks' behaviour, shared by both worlds. World supplies Log,
// Spend (the side-effect budget, so that callbacks cannot loop for ever),
// and the storage operations the callbacks use.
template <typename World, typename Record>
int32_t OnBeforeSet(World& w, Record* p, void* value, uint32_t size) {
  const Behavior& b = BehaviorOf(NameOf(p));
  w.Log("beforeSet " + Describe(*p) + " new " + DescribeRaw(p->type, value, size));
  switch (b.beforeSet) {
    case kVetoSet: return b.code;
    case kRewriteSet: Rewrite(p->type, value); return 0;
    case kClearInSet: if (w.Spend()) w.Clear(); return 0;
    default: return 0;
  }
}

template <typename World, typename Record>
int32_t OnAfterSet(World& w, Record* p) {
  const Behavior b = BehaviorOf(NameOf(p));
  w.Log("afterSet " + Describe(*p));
  switch (b.afterSet) {
    case kReturnAfterSet: return b.code;
    case kDeferWrite:
      if (w.Spend()) {
        w.Log("deferred " + std::to_string(w.SetInt(kNames[b.target], b.code, false)));
      }
      return 0;
    case kReenter: w.Log("reenter " + w.Reenter(NameOf(p))); return 0;
    default: return 0;
  }
}

template <typename World, typename Record>
int32_t OnBeforeGet(World& w, Record* p) {
  const Behavior& b = BehaviorOf(NameOf(p));
  w.Log("beforeGet " + Describe(*p));
  if (b.beforeGet == kVetoGet) return b.code;
  if (b.beforeGet == kRefreshGet) Refresh(p);
  return 0;
}

template <typename World, typename Record>
int32_t OnAfterGet(World& w, Record* p, void* old, uint32_t size) {
  const Behavior& b = BehaviorOf(NameOf(p));
  w.Log("afterGet " + Describe(*p) + " old " + DescribeRaw(p->type, old, size));
  return b.afterGet == kReturnAfterGet ? b.code : 0;
}

template <typename World, typename Record>
void OnListener(World& w, int id, const Record& copy) {
  w.Log("listener " + std::to_string(id) + " " + Describe(copy));
  const ListenerBehavior& b = g_listenerBehaviors[id];
  if (b.mode == kJustLog || !w.Spend()) return;
  if (b.mode == kAddListener) {
    w.Log("add " + std::to_string(w.AddListener(kNames[b.name], b.other)));
  } else {
    w.Log("remove " + std::to_string(w.RemoveListener(kNames[b.name], id)));
  }
}

// Both worlds' common state: the log of calls into caller code and the
// budget of side effects.
struct WorldBase {
  std::vector<std::string> log;
  int budget = 32;
  void Log(const std::string& line) { log.push_back(line); }
  bool Spend() { return budget-- > 0; }
};

// ---- The library's world ----

struct RealWorld;
RealWorld* g_real = nullptr;

class FuzzListener : public VemParamListener {
 public:
  int id = 0;
  int32_t OnParamChanged(_VemStParam* param) override;
};

struct RealWorld : WorldBase {
  VemParamStorage storage{77};
  FuzzListener listeners[kListenerCount];

  RealWorld() {
    for (int i = 0; i < kListenerCount; ++i) listeners[i].id = i;
  }
  VemParamListener* Listener(int id) { return id < 0 ? nullptr : &listeners[id]; }

  int32_t SetInt(const char* name, int64_t v, bool notify) {
    return storage.SetParamInt(name, v, notify);
  }
  void Clear() { storage.ClearStorage(); }
  std::string Reenter(const char* name) {
    _VemStParam copy;
    const int32_t found = storage.GetParamData(name, &copy);
    uint32_t count = 0;
    storage.GetParametersList(nullptr, &count);
    return std::to_string(found) + " " + Describe(copy) + " " + std::to_string(count);
  }
  int32_t AddListener(const char* name, int id) {
    return storage.AddParamChangedListener(name, Listener(id));
  }
  int32_t RemoveListener(const char* name, int id) {
    return storage.RemoveParamChangedListener(name, Listener(id));
  }
};

int32_t FuzzListener::OnParamChanged(_VemStParam* param) {
  OnListener(*g_real, id, *param);
  param->intVal.current = -99;  // a listener's copy is its own
  return 1;
}

int32_t RealBeforeSet(uint32_t id, _VemStParam* p, void* value, uint32_t size) {
  FUZZ_CHECK(id == 77);
  return OnBeforeSet(*g_real, p, value, size);
}
int32_t RealAfterSet(uint32_t, _VemStParam* p) { return OnAfterSet(*g_real, p); }
int32_t RealBeforeGet(uint32_t, _VemStParam* p) { return OnBeforeGet(*g_real, p); }
int32_t RealAfterGet(uint32_t, _VemStParam* p, void* old, uint32_t size) {
  return OnAfterGet(*g_real, p, old, size);
}

// ---- The model's world ----

struct ModelWorld : WorldBase {
  ModelStorage s;

  bool Has(const ModelParam* p, int which) {
    const Behavior& b = BehaviorOf(p->name.c_str());
    switch (which) {
      case 0: return b.beforeSet != kNoBeforeSet;
      case 1: return b.afterSet != kNoAfterSet;
      case 2: return b.beforeGet != kNoBeforeGet;
      default: return b.afterGet != kNoAfterGet;
    }
  }

  int32_t AddParam(const ModelParam& record, bool nameTerminated) {
    if (record.type > PARAM_TYPE_ARRAY || !nameTerminated) return PARAM_ERR_TYPE;
    ModelParam& stored = s.records[s.nextSerial];
    stored = record;
    stored.serial = s.nextSerial++;
    s.params.Put(KeyOf(record.name.c_str()), ModelStorage::Token(stored.serial));
    return 0;
  }

  static void* Raw(uint32_t type, ModelValue& v, uint32_t* size) {
    switch (type) {
      case PARAM_TYPE_INT: *size = 8; return &v.i;
      case PARAM_TYPE_BOOL: *size = 1; return &v.b;
      case PARAM_TYPE_FLOAT: *size = 8; return &v.d;
      case PARAM_TYPE_STRING:
        *size = static_cast<uint32_t>(v.bytes.size() + 1);
        return &v.bytes[0];
      default: *size = static_cast<uint32_t>(v.bytes.size()); return &v.bytes[0];
    }
  }

  void Notify(uint32_t list, const ModelParam& p) {
    for (size_t i = 0; i < s.listenerLists[list].size(); ++i) {
      const int id = s.listenerLists[list][i];
      if (id >= 0) OnListener(*this, id, p);
    }
  }

  int32_t Write(const char* name, uint32_t type, ModelValue v, bool nullValue, bool notify) {
    const int32_t key = KeyOf(name);
    ModelParam* p = s.Find(key);
    if (p == nullptr) return PARAM_ERR_NOT_FOUND;
    if (p->type != type) return PARAM_ERR_TYPE;
    if (nullValue && (type == PARAM_TYPE_STRING || !v.bytes.empty())) return PARAM_ERR_BUFFER;
    uint32_t size;
    void* raw = Raw(type, v, &size);
    if (Has(p, 0)) {
      const int32_t veto = OnBeforeSet(*this, p, raw, size);
      if (veto != 0) return veto;
      if (!s.Live(p->serial, key)) return PARAM_ERR_NOT_FOUND;
    }
    if ((p->access & PARAM_ACCESS_WRITE) == 0) return PARAM_ERR_ACCESS;
    if ((type == PARAM_TYPE_INT || type == PARAM_TYPE_FLOAT) && !vem_models::InRange(*p, v)) {
      return PARAM_ERR_RANGE;
    }
    p->value = v;
    if (!notify) {
      s.queue.emplace_back(p->serial, key);
      return 0;
    }
    if (!Has(p, 1)) return 0;
    const int32_t result = OnAfterSet(*this, p);
    if (void* list = s.lists.Get(key)) Notify(ModelStorage::Serial(list), *p);
    return result;
  }

  int32_t SetInt(const char* name, int64_t v, bool notify) {
    ModelValue value;
    value.i = v;
    return Write(name, PARAM_TYPE_INT, value, false, notify);
  }

  // A read; sized types take *length (null: lengthMissing) and a buffer
  // (null: nullOut). The value delivered goes to *out.
  int32_t Read(const char* name, uint32_t type, bool nullOut, bool lengthMissing,
               uint32_t* length, ModelValue* out, bool* delivered) {
    const int32_t key = KeyOf(name);
    ModelParam* p = s.Find(key);
    if (p == nullptr) return PARAM_ERR_NOT_FOUND;
    if (p->type != type) return PARAM_ERR_TYPE;
    const bool sized = type == PARAM_TYPE_STRING || type == PARAM_TYPE_ARRAY;
    if (sized ? lengthMissing : nullOut) return PARAM_ERR_BUFFER;
    ModelValue before = p->value;
    if (Has(p, 2)) {
      const int32_t refusal = OnBeforeGet(*this, p);
      if (refusal != 0) return refusal;
      if (!s.Live(p->serial, key)) return PARAM_ERR_NOT_FOUND;
    }
    if ((p->access & PARAM_ACCESS_READ) == 0) return PARAM_ERR_ACCESS;
    if (sized) {
      const uint32_t needed =
          static_cast<uint32_t>(p->value.bytes.size() + (type == PARAM_TYPE_STRING ? 1 : 0));
      if (nullOut) {
        *length = needed;
        return 0;
      }
      if (*length < needed) return PARAM_ERR_BUFFER;
      *length = needed;
    }
    *out = p->value;
    *delivered = !nullOut;
    if (!Has(p, 3)) return 0;
    uint32_t size;
    void* raw = Raw(type, before, &size);
    return OnAfterGet(*this, p, raw, size);
  }

  int32_t UpdateToObject() {
    int32_t result = 0;
    for (size_t i = 0; i < s.queue.size(); ++i) {
      const std::pair<uint32_t, int32_t> entry = s.queue[i];
      if (!s.Live(entry.first, entry.second)) continue;  // replaced since
      ModelParam* p = &s.records[entry.first];
      if (!Has(p, 1)) continue;
      const int32_t applied = OnAfterSet(*this, p);
      if (applied != 0) result = applied;
      std::vector<uint32_t> lists;
      for (const auto& e : s.lists.Enumerate()) lists.push_back(ModelStorage::Serial(e.second));
      for (uint32_t list : lists) Notify(list, *p);
    }
    s.queue.clear();
    return result;
  }

  int32_t AddListener(const char* name, int id) {
    const int32_t key = KeyOf(name);
    if (s.Find(key) == nullptr) return PARAM_ERR_NOT_FOUND;
    void* token = s.lists.Get(key);
    if (token == nullptr) {
      s.listenerLists.emplace_back();
      token = ModelStorage::Token(static_cast<uint32_t>(s.listenerLists.size() - 1));
      s.lists.Put(key, token);
    }
    s.listenerLists[ModelStorage::Serial(token)].push_back(id);
    return 0;
  }

  int32_t RemoveListener(const char* name, int id) {
    void* token = s.lists.Get(KeyOf(name));
    if (token == nullptr) return PARAM_ERR_NOT_FOUND;
    std::vector<int>& list = s.listenerLists[ModelStorage::Serial(token)];
    for (size_t i = 0; i < list.size(); ++i) {
      if (list[i] == id) {
        list.erase(list.begin() + static_cast<ptrdiff_t>(i));
        return 0;
      }
    }
    return PARAM_ERR_NOT_FOUND;
  }

  void Clear() { s.Clear(); }

  std::string Reenter(const char* name) {
    ModelParam* p = s.Find(KeyOf(name));
    const std::string found = p != nullptr ? "0 " + Describe(*p)
                                           : std::to_string(PARAM_ERR_NOT_FOUND) + " " +
                                                 Describe(_VemStParam());
    return found + " " + std::to_string(s.params.Size());
  }

  std::vector<std::string> List() {
    std::vector<std::string> out;
    for (const auto& e : s.params.Enumerate()) {
      out.push_back(Describe(s.records[ModelStorage::Serial(e.second)]));
    }
    return out;
  }
};

// ---- The driver ----

int64_t PickInt(FuzzedDataProvider& in) {
  return in.ConsumeBool() ? in.ConsumeIntegralInRange<int64_t>(-6, 6)
                          : in.PickValueInArray({std::numeric_limits<int64_t>::min(),
                                                 std::numeric_limits<int64_t>::max()});
}

double PickDouble(FuzzedDataProvider& in) {
  return in.PickValueInArray({0.0, -1.5, 2.5, 7.0, 1e300,
                              std::numeric_limits<double>::quiet_NaN(),
                              std::numeric_limits<double>::infinity(),
                              -std::numeric_limits<double>::infinity()});
}

std::string PickText(FuzzedDataProvider& in) {
  return in.PickValueInArray<std::string>(
      {"", "a", "hello", "a somewhat longer text value", "\xc3\xa9t\xc3\xa9"});
}

int32_t PickCode(FuzzedDataProvider& in) {
  return in.PickValueInArray<int32_t>({0, 3, 9, -1, PARAM_ERR_RANGE});
}

void AddParam(FuzzedDataProvider& in, RealWorld& real, ModelWorld& model) {
  const int nameIndex = in.ConsumeIntegralInRange(0, kNameCount - 1);
  const bool terminated = in.ConsumeIntegralInRange(0, 15) != 0;
  _VemStParam record;
  std::memset(record.name, 'x', sizeof record.name);
  if (terminated) std::strcpy(record.name, kNames[nameIndex]);
  record.type = in.ConsumeIntegralInRange<uint32_t>(0, 5);
  record.access = in.ConsumeIntegralInRange<uint32_t>(0, 7);

  Behavior b;
  b.beforeSet = in.ConsumeIntegralInRange(0, 4);
  b.afterSet = in.ConsumeIntegralInRange(0, 3);
  b.beforeGet = in.ConsumeIntegralInRange(0, 3);
  b.afterGet = in.ConsumeIntegralInRange(0, 2);
  b.code = PickCode(in);
  if (b.beforeSet == kVetoSet && b.code == 0) b.code = 3;
  b.target = in.ConsumeIntegralInRange(0, kNameCount - 1);
  record.pfnBeforeSet = b.beforeSet != kNoBeforeSet ? RealBeforeSet : nullptr;
  record.pfnAfterSet = b.afterSet != kNoAfterSet ? RealAfterSet : nullptr;
  record.pfnBeforeGet = b.beforeGet != kNoBeforeGet ? RealBeforeGet : nullptr;
  record.pfnAfterGet = b.afterGet != kNoAfterGet ? RealAfterGet : nullptr;

  ModelParam m;
  m.type = record.type;
  m.access = record.access;
  m.name = terminated ? kNames[nameIndex] : "";
  const std::string text = PickText(in);
  const std::string bytes = in.ConsumeBytesAsString(in.ConsumeIntegralInRange(0, 24));
  const bool nullInitial = in.ConsumeBool();
  switch (record.type) {
    case PARAM_TYPE_INT:
      record.intVal.initial = m.value.i = PickInt(in);
      record.intVal.min = m.imin = in.ConsumeIntegralInRange<int64_t>(-8, 2);
      record.intVal.max = m.imax = in.ConsumeIntegralInRange<int64_t>(-2, 8);
      record.intVal.minExclusive = m.minExclusive = in.ConsumeBool();
      record.intVal.maxExclusive = m.maxExclusive = in.ConsumeBool();
      break;
    case PARAM_TYPE_BOOL:
      record.boolVal.initial = m.value.b = in.ConsumeBool();
      break;
    case PARAM_TYPE_FLOAT:
      record.floatVal.initial = m.value.d = PickDouble(in);
      record.floatVal.min = m.dmin = in.ConsumeBool() ? -2.0 : PickDouble(in);
      record.floatVal.max = m.dmax = in.ConsumeBool() ? 8.0 : PickDouble(in);
      record.floatVal.minExclusive = m.minExclusive = in.ConsumeBool();
      record.floatVal.maxExclusive = m.maxExclusive = in.ConsumeBool();
      break;
    case PARAM_TYPE_STRING:
      record.strVal.initial = nullInitial ? nullptr : text.c_str();
      m.value.bytes = nullInitial ? "" : text;
      break;
    case PARAM_TYPE_ARRAY:
      record.arrVal.initial = bytes.data();
      record.arrVal.initialSize = static_cast<uint32_t>(bytes.size());
      m.value.bytes = bytes;
      break;
    default:
      break;
  }
  if (terminated && record.type <= PARAM_TYPE_ARRAY) g_behaviors[KeyOf(kNames[nameIndex])] = b;

  const _VemStParam before = record;
  const int32_t result = real.storage.AddParam(&record);
  FUZZ_CHECK(result == model.AddParam(m, terminated));
  if (result != 0) {
    FUZZ_CHECK(std::memcmp(&before, &record, sizeof record) == 0);
    return;
  }
  // The caller's record now shows the starting value.
  FUZZ_CHECK(Describe(record) == Describe(m));
  if (record.type == PARAM_TYPE_STRING) FUZZ_CHECK(record.strVal.initial != nullptr);
}

void Write(FuzzedDataProvider& in, RealWorld& real, ModelWorld& model) {
  const char* name = kNames[in.ConsumeIntegralInRange(0, kNameCount - 1)];
  const uint32_t type = in.ConsumeIntegralInRange<uint32_t>(0, 4);
  const bool notify = in.ConsumeBool();
  const bool nullValue = in.ConsumeIntegralInRange(0, 15) == 0;
  ModelValue v;
  int32_t result = 0;
  switch (type) {
    case PARAM_TYPE_INT:
      v.i = PickInt(in);
      result = real.storage.SetParamInt(name, v.i, notify);
      break;
    case PARAM_TYPE_BOOL:
      v.b = in.ConsumeBool();
      result = real.storage.SetParamBool(name, v.b, notify);
      break;
    case PARAM_TYPE_FLOAT:
      v.d = PickDouble(in);
      result = real.storage.SetParamFloat(name, v.d, notify);
      break;
    case PARAM_TYPE_STRING:
      v.bytes = PickText(in);
      result = real.storage.SetParamString(name, nullValue ? nullptr : v.bytes.c_str(), notify);
      break;
    default:
      v.bytes = in.ConsumeBytesAsString(in.ConsumeIntegralInRange(0, 40));
      result = real.storage.SetParamArray(name, nullValue ? nullptr : v.bytes.data(),
                                          static_cast<uint32_t>(v.bytes.size()), notify);
      break;
  }
  FUZZ_CHECK(result == model.Write(name, type, v, nullValue, notify));
}

void Read(FuzzedDataProvider& in, RealWorld& real, ModelWorld& model) {
  const char* name = kNames[in.ConsumeIntegralInRange(0, kNameCount - 1)];
  const uint32_t type = in.ConsumeIntegralInRange<uint32_t>(0, 4);
  const bool nullOut = in.ConsumeIntegralInRange(0, 7) == 0;
  const bool lengthMissing = in.ConsumeIntegralInRange(0, 15) == 0;
  const uint32_t capacity = in.ConsumeIntegralInRange<uint32_t>(0, 48);
  ModelValue expected;
  uint32_t expectedLength = capacity;
  bool delivered = false;
  const int32_t expectedResult =
      model.Read(name, type, nullOut, lengthMissing, &expectedLength, &expected, &delivered);

  ModelValue got;
  uint32_t length = capacity;
  int32_t result;
  switch (type) {
    case PARAM_TYPE_INT:
      got.i = 12345;
      result = real.storage.GetParamInt(name, nullOut ? nullptr : &got.i);
      if (!delivered) FUZZ_CHECK(got.i == 12345);
      break;
    case PARAM_TYPE_BOOL:
      result = real.storage.GetParamBool(name, nullOut ? nullptr : &got.b);
      break;
    case PARAM_TYPE_FLOAT:
      result = real.storage.GetParamFloat(name, nullOut ? nullptr : &got.d);
      break;
    default: {
      std::string buffer(capacity, '\x5A');
      uint32_t* lengthArg = lengthMissing ? nullptr : &length;
      void* bufferArg = nullOut ? nullptr : &buffer[0];
      result = type == PARAM_TYPE_STRING
                   ? real.storage.GetParamString(name, static_cast<char*>(bufferArg), lengthArg)
                   : real.storage.GetParamArray(name, bufferArg, lengthArg);
      FUZZ_CHECK(length == expectedLength);
      if (delivered) {
        const size_t value = type == PARAM_TYPE_STRING ? length - 1 : length;
        got.bytes = buffer.substr(0, value);
        if (type == PARAM_TYPE_STRING) FUZZ_CHECK(buffer[value] == '\0');
        FUZZ_CHECK(buffer.find_first_not_of('\x5A', length) == std::string::npos);
      } else {
        FUZZ_CHECK(buffer == std::string(capacity, '\x5A'));
      }
      break;
    }
  }
  FUZZ_CHECK(result == expectedResult);
  if (delivered) FUZZ_CHECK(Describe(type, 0, "", got) == Describe(type, 0, "", expected));
}

void CompareLists(RealWorld& real, ModelWorld& model, FuzzedDataProvider& in) {
  const std::vector<std::string> expected = model.List();
  uint32_t count = 999;
  FUZZ_CHECK(real.storage.GetParametersList(nullptr, &count) == 0);
  FUZZ_CHECK(count == expected.size());
  if (!expected.empty() && in.ConsumeBool()) {
    count = static_cast<uint32_t>(expected.size() - 1);
    std::vector<_VemStParam> small(count + 1);  // never a null array
    FUZZ_CHECK(real.storage.GetParametersList(small.data(), &count) == PARAM_ERR_BUFFER);
    FUZZ_CHECK(count == expected.size());
  }
  std::vector<_VemStParam> list(expected.size() + 1);
  list.back().type = 77;
  count = static_cast<uint32_t>(list.size());
  FUZZ_CHECK(real.storage.GetParametersList(list.data(), &count) == 0);
  FUZZ_CHECK(count == expected.size() && list.back().type == 77);
  for (size_t i = 0; i < expected.size(); ++i) FUZZ_CHECK(Describe(list[i]) == expected[i]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  g_behaviors.clear();
  for (ListenerBehavior& b : g_listenerBehaviors) {
    b.mode = in.ConsumeIntegralInRange(0, 2);
    b.other = in.ConsumeIntegralInRange(-1, kListenerCount - 1);
    b.name = in.ConsumeIntegralInRange(0, kNameCount - 1);
  }
  RealWorld real;
  ModelWorld model;
  g_real = &real;

  for (int step = 0; step < 96 && in.remaining_bytes() > 0; ++step) {
    const char* name = kNames[in.ConsumeIntegralInRange(0, kNameCount - 1)];
    const int listener = in.ConsumeIntegralInRange(-1, kListenerCount - 1);
    switch (in.ConsumeIntegralInRange(0, 13)) {
      case 0: case 1: case 2:
        AddParam(in, real, model);
        break;
      case 3: case 4: case 5:
        Write(in, real, model);
        break;
      case 6: case 7:
        Read(in, real, model);
        break;
      case 8:
        FUZZ_CHECK(real.AddListener(name, listener) == model.AddListener(name, listener));
        break;
      case 9:
        FUZZ_CHECK(real.RemoveListener(name, listener) == model.RemoveListener(name, listener));
        break;
      case 10: {
        const std::string block = in.ConsumeBytesAsString(in.ConsumeIntegralInRange(0, 20));
        const int32_t key = KeyOf(name);
        const int32_t expected =
            model.s.Find(key) == nullptr ? PARAM_ERR_NOT_FOUND : 0;
        FUZZ_CHECK(real.storage.LinkParamData(name, block.data(),
                                              static_cast<uint32_t>(block.size())) == expected);
        if (expected == 0) model.s.linked[key] = block;
        break;
      }
      case 11: {
        const int32_t key = KeyOf(name);
        const uint32_t capacity = in.ConsumeIntegralInRange<uint32_t>(0, 24);
        std::string buffer(capacity + 1, '\x5A');
        const auto block = model.s.linked.find(key);
        int32_t expected = 0;
        if (model.s.Find(key) == nullptr || block == model.s.linked.end()) {
          expected = PARAM_ERR_NOT_FOUND;
        } else if (capacity < block->second.size()) {
          expected = PARAM_ERR_BUFFER;
        }
        FUZZ_CHECK(real.storage.GetLinkedData(name, &buffer[0], capacity) == expected);
        const size_t copied = expected == 0 ? block->second.size() : 0;
        if (copied > 0) FUZZ_CHECK(buffer.compare(0, copied, block->second) == 0);
        FUZZ_CHECK(buffer.find_first_not_of('\x5A', copied) == std::string::npos);
        break;
      }
      case 12:
        FUZZ_CHECK(real.storage.UpdateToObject() == model.UpdateToObject());
        break;
      default:
        if (in.ConsumeIntegralInRange(0, 3) == 0) {
          real.Clear();
          model.Clear();
        } else {
          CompareLists(real, model, in);
        }
        break;
    }
    FUZZ_CHECK(real.log == model.log);
  }
  CompareLists(real, model, in);
  g_real = nullptr;
  return 0;
}
