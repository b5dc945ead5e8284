// VemParamStorage against a plain model of it. The run is a sequence of
// operations on a small pool of names (two pairs of them share a key):
// AddParam of every type with random access flags, ranges (NaN bounds
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
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "VemParams.h"
#include "tests/models/hashtable_model.h"
#include "tests/models/op_stream.h"

namespace vem_test {
namespace {

const std::string kLongName(255, 'x');
const char* const kNames[] = {"Gain", "Aa", "BB", "", "AaAa", "BBBB", "Level\xc3\xa9", kLongName.c_str()};
constexpr int kNameCount = 8;
constexpr int kListenerCount = 4;

enum BeforeSetMode { kNoBeforeSet, kAllowSet, kVetoSet, kRewriteSet, kClearInSet };
enum AfterSetMode { kNoAfterSet, kReturnAfterSet, kDeferWrite, kReenter };
enum BeforeGetMode { kNoBeforeGet, kAllowGet, kVetoGet, kRefreshGet };
enum AfterGetMode { kNoAfterGet, kReturnAfterGet, kLogAfterGet };
enum ListenerMode { kJustLog, kAddListener, kRemoveSelf };

// What the callbacks of the record under one key do; chosen at AddParam.
struct Behavior {
  int beforeSet = kNoBeforeSet, afterSet = kNoAfterSet, beforeGet = kNoBeforeGet, afterGet = kNoAfterGet;
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

const Behavior& BehaviorOf(const char* name) { return g_behaviors[GenerateID(name)]; }

// A parameter's value in the model: the arm its type selects.
struct ModelValue {
  int64_t i = 0;
  bool b = false;
  double d = 0;
  std::string bytes;  // text without its NUL, or the array's bytes
};
struct ModelParam {
  uint32_t serial = 0, type = 0, access = 0;
  std::string name;
  int64_t imin = 0, imax = 0;
  double dmin = 0, dmax = 0;
  bool minExclusive = false, maxExclusive = false;
  ModelValue value;
};

// A record's identity and value as text, equal for equal model and library records.
std::string Describe(uint32_t type, uint32_t access, const std::string& name, const ModelValue& v) {
  std::string s = name + "|" + std::to_string(type) + "|" + std::to_string(access) + "|";
  uint64_t bits;
  std::memcpy(&bits, &v.d, sizeof bits);
  switch (type) {
    case PARAM_TYPE_INT: return s + std::to_string(v.i);
    case PARAM_TYPE_BOOL: return s + (v.b ? "true" : "false");
    case PARAM_TYPE_FLOAT: return s + std::to_string(bits);
    default: return s + std::to_string(v.bytes.size()) + ":" + v.bytes;
  }
}
std::string Describe(const ModelParam& p) { return Describe(p.type, p.access, p.name, p.value); }
std::string Describe(const _VemStParam& p) {
  ModelValue v;
  v.i = p.type == PARAM_TYPE_INT ? p.intVal.current : 0;
  v.b = p.type == PARAM_TYPE_BOOL && p.boolVal.current;
  v.d = p.type == PARAM_TYPE_FLOAT ? p.floatVal.current : 0;
  if (p.type == PARAM_TYPE_STRING) v.bytes = p.strVal.current;
  if (p.type == PARAM_TYPE_ARRAY && p.arrVal.size > 0)
    v.bytes.assign(static_cast<const char*>(p.arrVal.current), p.arrVal.size);
  return Describe(p.type, p.access, p.name, v);
}
std::string DescribeRaw(uint32_t type, const void* value, uint32_t size) {
  ModelValue v;
  if (type == PARAM_TYPE_INT) std::memcpy(&v.i, value, 8);
  if (type == PARAM_TYPE_BOOL) std::memcpy(&v.b, value, 1);
  if (type == PARAM_TYPE_FLOAT) std::memcpy(&v.d, value, 8);
  if (type >= PARAM_TYPE_STRING)
    v.bytes.assign(static_cast<const char*>(value), type == PARAM_TYPE_STRING ? size - 1 : size);
  return Describe(type, 0, "", v) + "/" + std::to_string(size);
}

// The documented range test; a comparison with a NaN on either side counts as met.
bool InRange(const ModelParam& p, const ModelValue& v) {
  if (p.type == PARAM_TYPE_INT) {
    return (p.minExclusive ? v.i > p.imin : v.i >= p.imin) && (p.maxExclusive ? v.i < p.imax : v.i <= p.imax);
  }
  if (std::isnan(v.d)) return true;
  const bool low = std::isnan(p.dmin) || (p.minExclusive ? v.d > p.dmin : v.d >= p.dmin);
  return low && (std::isnan(p.dmax) || (p.maxExclusive ? v.d < p.dmax : v.d <= p.dmax));
}

// A callback's change to a scalar value on its way in, and a refresh before a read.
void Rewrite(uint32_t type, void* value) {
  if (type == PARAM_TYPE_INT) *static_cast<int64_t*>(value) = 4;
  if (type == PARAM_TYPE_BOOL) *static_cast<bool*>(value) = true;
  if (type == PARAM_TYPE_FLOAT) *static_cast<double*>(value) = 0.25;
}
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

// The callbacks' behaviour, shared by both worlds. World supplies Log, Spend
// (the side-effect budget, so that callbacks cannot loop for ever) and the
// storage operations the callbacks use.
template <typename World, typename Record>
int32_t OnBeforeSet(World& w, Record* p, void* value, uint32_t size) {
  const Behavior& b = BehaviorOf(NameOf(p));
  w.Log("beforeSet " + Describe(*p) + " new " + DescribeRaw(p->type, value, size));
  if (b.beforeSet == kVetoSet) return b.code;
  if (b.beforeSet == kRewriteSet) Rewrite(p->type, value);
  if (b.beforeSet == kClearInSet && w.Spend()) w.Clear();
  return 0;
}
template <typename World, typename Record>
int32_t OnAfterSet(World& w, Record* p) {
  const Behavior b = BehaviorOf(NameOf(p));
  w.Log("afterSet " + Describe(*p));
  if (b.afterSet == kReturnAfterSet) return b.code;
  if (b.afterSet == kDeferWrite && w.Spend())
    w.Log("deferred " + std::to_string(w.SetInt(kNames[b.target], b.code, false)));
  if (b.afterSet == kReenter) w.Log("reenter " + w.Reenter(NameOf(p)));
  return 0;
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
  w.Log("afterGet " + Describe(*p) + " old " + DescribeRaw(p->type, old, size));
  return BehaviorOf(NameOf(p)).afterGet == kReturnAfterGet ? BehaviorOf(NameOf(p)).code : 0;
}
template <typename World, typename Record>
void OnListener(World& w, int id, const Record& copy) {
  w.Log("listener " + std::to_string(id) + " " + Describe(copy));
  const ListenerBehavior& b = g_listenerBehaviors[id];
  if (b.mode == kJustLog || !w.Spend()) return;
  if (b.mode == kAddListener) w.Log("add " + std::to_string(w.AddListener(kNames[b.name], b.other)));
  if (b.mode == kRemoveSelf) w.Log("remove " + std::to_string(w.RemoveListener(kNames[b.name], id)));
}

struct WorldBase {
  std::vector<std::string> log;  // every call into caller code
  int budget = 32;
  void Log(const std::string& line) { log.push_back(line); }
  bool Spend() { return budget-- > 0; }
};

// ---- The library's world ----

struct RealWorld;
RealWorld* g_real = nullptr;

class RunListener : public VemParamListener {
 public:
  int id = 0;
  int32_t OnParamChanged(_VemStParam* param) override;
};

struct RealWorld : WorldBase {
  VemParamStorage storage{77};
  RunListener listeners[kListenerCount];
  RealWorld() {
    for (int i = 0; i < kListenerCount; ++i) listeners[i].id = i;
  }
  VemParamListener* Listener(int id) { return id < 0 ? nullptr : &listeners[id]; }
  int32_t SetInt(const char* name, int64_t v, bool notify) { return storage.SetParamInt(name, v, notify); }
  void Clear() { storage.ClearStorage(); }
  std::string Reenter(const char* name) {
    _VemStParam copy;
    const int32_t found = storage.GetParamData(name, &copy);
    uint32_t count = 0;
    storage.GetParametersList(nullptr, &count);
    return std::to_string(found) + " " + Describe(copy) + " " + std::to_string(count);
  }
  int32_t AddListener(const char* name, int id) { return storage.AddParamChangedListener(name, Listener(id)); }
  int32_t RemoveListener(const char* name, int id) { return storage.RemoveParamChangedListener(name, Listener(id)); }
};

int32_t RunListener::OnParamChanged(_VemStParam* param) {
  OnListener(*g_real, id, *param);
  param->intVal.current = -99;  // a listener's copy is its own
  return 1;
}
int32_t RealBeforeSet(uint32_t id, _VemStParam* p, void* value, uint32_t size) {
  MODEL_CHECK(id == 77);
  return OnBeforeSet(*g_real, p, value, size);
}
int32_t RealAfterSet(uint32_t, _VemStParam* p) { return OnAfterSet(*g_real, p); }
int32_t RealBeforeGet(uint32_t, _VemStParam* p) { return OnBeforeGet(*g_real, p); }
int32_t RealAfterGet(uint32_t, _VemStParam* p, void* old, uint32_t size) { return OnAfterGet(*g_real, p, old, size); }

// ---- The model's world ----

// Records are kept by serial number and never freed during a run, so a
// callback that clears the storage cannot leave the model with a dangling
// record; the tables that give the enumeration orders are HashtableModels
// keyed as the storage keys its own.
struct ModelWorld : WorldBase {
  HashtableModel params{151, 0.75f};                   // key -> record serial
  HashtableModel lists{151, 0.75f};                    // key -> listener list index
  std::map<uint32_t, ModelParam> records;              // every record ever added
  std::vector<std::vector<int>> listenerLists = {{}};  // listener ids, -1 null
  std::map<int32_t, std::string> linked;
  std::vector<std::pair<uint32_t, int32_t>> queue;  // (serial, key)
  uint32_t nextSerial = 1;

  static void* Token(size_t n) { return reinterpret_cast<void*>(uintptr_t{n} * 16); }
  static uint32_t Serial(void* token) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(token) / 16); }
  ModelParam* Find(int32_t key) {
    void* token = params.Get(key);
    return token == nullptr ? nullptr : &records[Serial(token)];
  }
  bool Live(uint32_t serial, int32_t key) {
    ModelParam* p = Find(key);
    return p != nullptr && p->serial == serial;
  }
  bool Has(const ModelParam* p, int Behavior::*which) { return BehaviorOf(p->name.c_str()).*which != 0; }

  int32_t AddParam(const ModelParam& record, bool nameTerminated) {
    if (record.type > PARAM_TYPE_ARRAY || !nameTerminated) return PARAM_ERR_TYPE;
    ModelParam& stored = records[nextSerial] = record;
    stored.serial = nextSerial++;
    params.Put(GenerateID(record.name.c_str()), Token(stored.serial));
    return 0;
  }
  static void* Raw(uint32_t type, ModelValue& v, uint32_t* size) {
    *size = type == PARAM_TYPE_BOOL    ? 1
            : type < PARAM_TYPE_STRING ? 8
                                       : static_cast<uint32_t>(v.bytes.size() + (type == PARAM_TYPE_STRING));
    return type == PARAM_TYPE_INT     ? static_cast<void*>(&v.i)
           : type == PARAM_TYPE_BOOL  ? static_cast<void*>(&v.b)
           : type == PARAM_TYPE_FLOAT ? static_cast<void*>(&v.d)
                                      : static_cast<void*>(&v.bytes[0]);
  }
  void Notify(uint32_t list, const ModelParam& p) {
    for (size_t i = 0; i < listenerLists[list].size(); ++i) {
      if (listenerLists[list][i] >= 0) OnListener(*this, listenerLists[list][i], p);
    }
  }

  int32_t Write(const char* name, uint32_t type, ModelValue v, bool nullValue, bool notify) {
    const int32_t key = GenerateID(name);
    ModelParam* p = Find(key);
    if (p == nullptr) return PARAM_ERR_NOT_FOUND;
    if (p->type != type) return PARAM_ERR_TYPE;
    if (nullValue && (type == PARAM_TYPE_STRING || !v.bytes.empty())) return PARAM_ERR_BUFFER;
    uint32_t size;
    void* raw = Raw(type, v, &size);
    if (Has(p, &Behavior::beforeSet)) {
      const int32_t veto = OnBeforeSet(*this, p, raw, size);
      if (veto != 0) return veto;
      if (!Live(p->serial, key)) return PARAM_ERR_NOT_FOUND;
    }
    if ((p->access & PARAM_ACCESS_WRITE) == 0) return PARAM_ERR_ACCESS;
    if ((type == PARAM_TYPE_INT || type == PARAM_TYPE_FLOAT) && !InRange(*p, v)) return PARAM_ERR_RANGE;
    p->value = v;
    if (!notify) {
      queue.emplace_back(p->serial, key);
      return 0;
    }
    if (!Has(p, &Behavior::afterSet)) return 0;
    const int32_t result = OnAfterSet(*this, p);
    if (void* list = lists.Get(key)) Notify(Serial(list), *p);
    return result;
  }
  int32_t SetInt(const char* name, int64_t i, bool notify) {
    ModelValue v;
    v.i = i;
    return Write(name, PARAM_TYPE_INT, v, false, notify);
  }

  // A read; sized types take *length (null: lengthMissing) and a buffer
  // (null: nullOut). The value delivered goes to *out.
  int32_t Read(const char* name, uint32_t type, bool nullOut, bool lengthMissing, uint32_t* length, ModelValue* out,
               bool* delivered) {
    const int32_t key = GenerateID(name);
    ModelParam* p = Find(key);
    if (p == nullptr) return PARAM_ERR_NOT_FOUND;
    if (p->type != type) return PARAM_ERR_TYPE;
    const bool sized = type == PARAM_TYPE_STRING || type == PARAM_TYPE_ARRAY;
    if (sized ? lengthMissing : nullOut) return PARAM_ERR_BUFFER;
    ModelValue before = p->value;
    if (Has(p, &Behavior::beforeGet)) {
      const int32_t refusal = OnBeforeGet(*this, p);
      if (refusal != 0) return refusal;
      if (!Live(p->serial, key)) return PARAM_ERR_NOT_FOUND;
    }
    if ((p->access & PARAM_ACCESS_READ) == 0) return PARAM_ERR_ACCESS;
    if (sized) {
      const uint32_t needed = static_cast<uint32_t>(p->value.bytes.size() + (type == PARAM_TYPE_STRING ? 1 : 0));
      if (nullOut) {
        *length = needed;
        return 0;
      }
      if (*length < needed) return PARAM_ERR_BUFFER;
      *length = needed;
    }
    *out = p->value;
    *delivered = !nullOut;
    if (!Has(p, &Behavior::afterGet)) return 0;
    uint32_t size;
    void* raw = Raw(type, before, &size);
    return OnAfterGet(*this, p, raw, size);
  }

  int32_t UpdateToObject() {
    int32_t result = 0;
    for (size_t i = 0; i < queue.size(); ++i) {
      const std::pair<uint32_t, int32_t> entry = queue[i];
      if (!Live(entry.first, entry.second)) continue;  // replaced since
      ModelParam* p = &records[entry.first];
      if (!Has(p, &Behavior::afterSet)) continue;
      const int32_t applied = OnAfterSet(*this, p);
      if (applied != 0) result = applied;
      std::vector<uint32_t> all;
      for (const auto& e : lists.Enumerate()) all.push_back(Serial(e.second));
      for (uint32_t list : all) Notify(list, *p);
    }
    queue.clear();
    return result;
  }
  int32_t AddListener(const char* name, int id) {
    const int32_t key = GenerateID(name);
    if (Find(key) == nullptr) return PARAM_ERR_NOT_FOUND;
    if (lists.Get(key) == nullptr) {
      listenerLists.emplace_back();
      lists.Put(key, Token(listenerLists.size() - 1));
    }
    listenerLists[Serial(lists.Get(key))].push_back(id);
    return 0;
  }
  int32_t RemoveListener(const char* name, int id) {
    void* token = lists.Get(GenerateID(name));
    if (token == nullptr) return PARAM_ERR_NOT_FOUND;
    std::vector<int>& list = listenerLists[Serial(token)];
    for (size_t i = 0; i < list.size(); ++i) {
      if (list[i] == id) {
        list.erase(list.begin() + static_cast<ptrdiff_t>(i));
        return 0;
      }
    }
    return PARAM_ERR_NOT_FOUND;
  }
  void Clear() {
    params.Clear();
    for (std::vector<int>& list : listenerLists) list.clear();  // released
    lists.Clear();
    linked.clear();
    queue.clear();
  }
  std::string Reenter(const char* name) {
    ModelParam* p = Find(GenerateID(name));
    return (p != nullptr ? "0 " + Describe(*p) : std::to_string(PARAM_ERR_NOT_FOUND) + " " + Describe(_VemStParam())) +
           " " + std::to_string(params.Size());
  }
  std::vector<std::string> List() {
    std::vector<std::string> out;
    for (const auto& e : params.Enumerate()) out.push_back(Describe(records[Serial(e.second)]));
    return out;
  }
};

// ---- The run ----

int64_t PickInt(OpStream& in) {
  return in.Bool() ? in.Range(-6, 6)
                   : in.Pick({std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max()});
}
double PickDouble(OpStream& in) {
  return in.Pick({0.0, -1.5, 2.5, 7.0, 1e300, std::numeric_limits<double>::quiet_NaN(),
                  std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()});
}
std::string PickText(OpStream& in) {
  return in.Pick({std::string(), std::string("a"), std::string("hello"), std::string("a somewhat longer text value"),
                  std::string("\xc3\xa9t\xc3\xa9")});
}

void AddParam(OpStream& in, RealWorld& real, ModelWorld& model) {
  const int nameIndex = in.Range(0, kNameCount - 1);
  const bool terminated = in.Range(0, 15) != 0;
  _VemStParam record;
  std::memset(record.name, 'x', sizeof record.name);
  if (terminated) std::strcpy(record.name, kNames[nameIndex]);
  record.type = static_cast<uint32_t>(in.Range(0, 5));
  record.access = static_cast<uint32_t>(in.Range(0, 7));
  Behavior b;
  b.beforeSet = in.Range(0, 4);
  b.afterSet = in.Range(0, 3);
  b.beforeGet = in.Range(0, 3);
  b.afterGet = in.Range(0, 2);
  b.code = in.Pick({0, 3, 9, -1, PARAM_ERR_RANGE});
  if (b.beforeSet == kVetoSet && b.code == 0) b.code = 3;
  b.target = in.Range(0, kNameCount - 1);
  record.pfnBeforeSet = b.beforeSet != kNoBeforeSet ? RealBeforeSet : nullptr;
  record.pfnAfterSet = b.afterSet != kNoAfterSet ? RealAfterSet : nullptr;
  record.pfnBeforeGet = b.beforeGet != kNoBeforeGet ? RealBeforeGet : nullptr;
  record.pfnAfterGet = b.afterGet != kNoAfterGet ? RealAfterGet : nullptr;

  ModelParam m;
  m.type = record.type;
  m.access = record.access;
  m.name = terminated ? kNames[nameIndex] : "";
  const std::string text = PickText(in), bytes = in.Bytes(24);
  const bool nullInitial = in.Bool();
  switch (record.type) {
    case PARAM_TYPE_INT:
      record.intVal.initial = m.value.i = PickInt(in);
      record.intVal.min = m.imin = in.Range(-8, 2);
      record.intVal.max = m.imax = in.Range(-2, 8);
      record.intVal.minExclusive = m.minExclusive = in.Bool();
      record.intVal.maxExclusive = m.maxExclusive = in.Bool();
      break;
    case PARAM_TYPE_BOOL: record.boolVal.initial = m.value.b = in.Bool(); break;
    case PARAM_TYPE_FLOAT:
      record.floatVal.initial = m.value.d = PickDouble(in);
      record.floatVal.min = m.dmin = in.Bool() ? -2.0 : PickDouble(in);
      record.floatVal.max = m.dmax = in.Bool() ? 8.0 : PickDouble(in);
      record.floatVal.minExclusive = m.minExclusive = in.Bool();
      record.floatVal.maxExclusive = m.maxExclusive = in.Bool();
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
  }
  if (terminated && record.type <= PARAM_TYPE_ARRAY) g_behaviors[GenerateID(kNames[nameIndex])] = b;
  const _VemStParam before = record;
  const int32_t result = real.storage.AddParam(&record);
  MODEL_CHECK(result == model.AddParam(m, terminated));
  if (result != 0) {
    MODEL_CHECK(std::memcmp(&before, &record, sizeof record) == 0);
  } else {  // the caller's record now shows the starting value
    MODEL_CHECK(Describe(record) == Describe(m));
    MODEL_CHECK(record.type != PARAM_TYPE_STRING || record.strVal.initial != nullptr);
  }
}

void Write(OpStream& in, RealWorld& real, ModelWorld& model) {
  const char* name = kNames[in.Range(0, kNameCount - 1)];
  const uint32_t type = static_cast<uint32_t>(in.Range(0, 4));
  const bool notify = in.Bool();
  const bool nullValue = in.Range(0, 15) == 0;
  ModelValue v;
  int32_t result = 0;
  switch (type) {
    case PARAM_TYPE_INT: result = real.storage.SetParamInt(name, v.i = PickInt(in), notify); break;
    case PARAM_TYPE_BOOL: result = real.storage.SetParamBool(name, v.b = in.Bool(), notify); break;
    case PARAM_TYPE_FLOAT: result = real.storage.SetParamFloat(name, v.d = PickDouble(in), notify); break;
    case PARAM_TYPE_STRING:
      v.bytes = PickText(in);
      result = real.storage.SetParamString(name, nullValue ? nullptr : v.bytes.c_str(), notify);
      break;
    default:
      v.bytes = in.Bytes(40);
      result = real.storage.SetParamArray(name, nullValue ? nullptr : v.bytes.data(),
                                          static_cast<uint32_t>(v.bytes.size()), notify);
      break;
  }
  MODEL_CHECK(result == model.Write(name, type, v, nullValue, notify));
}

void Read(OpStream& in, RealWorld& real, ModelWorld& model) {
  const char* name = kNames[in.Range(0, kNameCount - 1)];
  const uint32_t type = static_cast<uint32_t>(in.Range(0, 4));
  const bool nullOut = in.Range(0, 7) == 0;
  const bool lengthMissing = in.Range(0, 15) == 0;
  const uint32_t capacity = static_cast<uint32_t>(in.Range(0, 48));
  ModelValue expected, got;
  uint32_t expectedLength = capacity, length = capacity;
  bool delivered = false;
  const int32_t expectedResult = model.Read(name, type, nullOut, lengthMissing, &expectedLength, &expected, &delivered);
  int32_t result;
  if (type == PARAM_TYPE_INT) {
    got.i = 12345;
    result = real.storage.GetParamInt(name, nullOut ? nullptr : &got.i);
    MODEL_CHECK(delivered || got.i == 12345);
  } else if (type == PARAM_TYPE_BOOL) {
    result = real.storage.GetParamBool(name, nullOut ? nullptr : &got.b);
  } else if (type == PARAM_TYPE_FLOAT) {
    result = real.storage.GetParamFloat(name, nullOut ? nullptr : &got.d);
  } else {
    std::string buffer(capacity, '\x5A');
    uint32_t* lengthArg = lengthMissing ? nullptr : &length;
    void* bufferArg = nullOut ? nullptr : &buffer[0];
    result = type == PARAM_TYPE_STRING ? real.storage.GetParamString(name, static_cast<char*>(bufferArg), lengthArg)
                                       : real.storage.GetParamArray(name, bufferArg, lengthArg);
    MODEL_CHECK(length == expectedLength);
    const size_t value = !delivered ? 0 : type == PARAM_TYPE_STRING ? length - 1 : length;
    got.bytes = buffer.substr(0, value);
    MODEL_CHECK(!delivered || type != PARAM_TYPE_STRING || buffer[value] == '\0');
    MODEL_CHECK(buffer.find_first_not_of('\x5A', delivered ? length : 0) == std::string::npos);
  }
  MODEL_CHECK(result == expectedResult);
  MODEL_CHECK(!delivered || Describe(type, 0, "", got) == Describe(type, 0, "", expected));
}

void CompareLists(OpStream& in, RealWorld& real, ModelWorld& model) {
  const std::vector<std::string> expected = model.List();
  uint32_t count = 999;
  MODEL_CHECK(real.storage.GetParametersList(nullptr, &count) == 0 && count == expected.size());
  if (!expected.empty() && in.Bool()) {
    count = static_cast<uint32_t>(expected.size() - 1);
    std::vector<_VemStParam> small(count + 1);  // never a null array
    MODEL_CHECK(real.storage.GetParametersList(small.data(), &count) == PARAM_ERR_BUFFER && count == expected.size());
  }
  std::vector<_VemStParam> list(expected.size() + 1);
  list.back().type = 77;
  count = static_cast<uint32_t>(list.size());
  MODEL_CHECK(real.storage.GetParametersList(list.data(), &count) == 0);
  MODEL_CHECK(count == expected.size() && list.back().type == 77);
  for (size_t i = 0; i < expected.size(); ++i) MODEL_CHECK(Describe(list[i]) == expected[i]);
}

void Link(OpStream& in, const char* name, RealWorld& real, ModelWorld& model) {
  const int32_t key = GenerateID(name);
  if (in.Bool()) {
    const std::string block = in.Bytes(20);
    const int32_t expected = model.Find(key) == nullptr ? PARAM_ERR_NOT_FOUND : 0;
    MODEL_CHECK(real.storage.LinkParamData(name, block.data(), static_cast<uint32_t>(block.size())) == expected);
    if (expected == 0) model.linked[key] = block;
    return;
  }
  const uint32_t capacity = static_cast<uint32_t>(in.Range(0, 24));
  std::string buffer(capacity + 1, '\x5A');
  const auto block = model.linked.find(key);
  const int32_t expected = model.Find(key) == nullptr || block == model.linked.end() ? PARAM_ERR_NOT_FOUND
                           : capacity < block->second.size()                         ? PARAM_ERR_BUFFER
                                                                                     : 0;
  MODEL_CHECK(real.storage.GetLinkedData(name, &buffer[0], capacity) == expected);
  const size_t copied = expected == 0 ? block->second.size() : 0;
  MODEL_CHECK(copied == 0 || buffer.compare(0, copied, block->second) == 0);
  MODEL_CHECK(buffer.find_first_not_of('\x5A', copied) == std::string::npos);
}

}  // namespace

void RunParams(OpStream& in) {
  g_behaviors.clear();
  for (ListenerBehavior& b : g_listenerBehaviors) {
    b.mode = in.Range(0, 2);
    b.other = in.Range(-1, kListenerCount - 1);
    b.name = in.Range(0, kNameCount - 1);
  }
  RealWorld real;
  ModelWorld model;
  g_real = &real;
  for (int step = 0; step < 96 && in.More(); ++step) {
    const char* name = kNames[in.Range(0, kNameCount - 1)];
    const int listener = in.Range(-1, kListenerCount - 1);
    switch (in.Range(0, 12)) {
      case 0:
      case 1:
      case 2: AddParam(in, real, model); break;
      case 3:
      case 4:
      case 5: Write(in, real, model); break;
      case 6:
      case 7: Read(in, real, model); break;
      case 8: MODEL_CHECK(real.AddListener(name, listener) == model.AddListener(name, listener)); break;
      case 9: MODEL_CHECK(real.RemoveListener(name, listener) == model.RemoveListener(name, listener)); break;
      case 10: Link(in, name, real, model); break;
      case 11: MODEL_CHECK(real.storage.UpdateToObject() == model.UpdateToObject()); break;
      default:
        if (in.Range(0, 3) == 0) {
          real.Clear();
          model.Clear();
        } else {
          CompareLists(in, real, model);
        }
        break;
    }
    MODEL_CHECK(real.log == model.log);
  }
  CompareLists(in, real, model);
  g_real = nullptr;
}

}  // namespace vem_test
