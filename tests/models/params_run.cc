// VemParamStorage against a plain model of it, over names of which "Aa" and
// "BB" share a key: AddParam of every type with random access flags, flag
// bytes, ranges (NaN bounds included) and callbacks, the typed setters and
// getters with random types, listeners (null ones included), linked blocks,
// deferred writes, UpdateToObject, GetParametersList, ClearStorage and the
// registry. The same callbacks and listeners serve both worlds and log every
// call with its arguments; after each step the results, the values delivered
// and the two logs must be equal.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "VemParams.h"
#include "tests/models/hashtable_model.h"
#include "tests/models/op_stream.h"

namespace vem_test {
namespace {

const char* const kNames[] = {"Gain", "Aa", "BB", "Level\xc3\xa9", ""};
// What a callback does is kept in the access bits that mean nothing to the
// storage: the mode in bits 8 to 10, the index of the code it answers in bits
// 16 to 18. Both worlds thus read it from the record the callback receives.
enum Mode { kPlain, kVetoSet, kRewriteSet, kVetoGet, kRefreshGet };
uint32_t ModeOf(const _VemStParam* r) { return r->access >> 8 & 7; }
int32_t CodeOf(const _VemStParam* r) { return std::vector<int32_t>{0, 0, 3, 9, -7002}.at(r->access >> 16 & 7); }
std::vector<std::string>* g_log;  // the log of the world being driven

// The bytes of a scalar of the type.
uint32_t Size(uint32_t type) { return type == PARAM_TYPE_BOOL ? 1 : 8; }
std::string Value(uint32_t type, const void* v, uint32_t size) {
  return std::string(static_cast<const char*>(v), type < PARAM_TYPE_STRING ? Size(type) : size);
}
std::string Describe(const _VemStParam& r) {
  std::string s = std::string(r.name) + "|" + std::to_string(r.type) + "|" + std::to_string(r.access) + "|";
  if (r.type == PARAM_TYPE_STRING) return s + r.strVal.current;
  if (r.type == PARAM_TYPE_ARRAY) return s + Value(r.type, r.arrVal.current, r.arrVal.size);
  // The range flags as the bytes they are: AddParam stores them as 0 or 1.
  const auto* flags = reinterpret_cast<const unsigned char*>(&r.intVal.minExclusive);
  return s + Value(r.type, &r.intVal.current, 8) + std::to_string(flags[0] * 256 + flags[1]);
}

int32_t BeforeSet(uint32_t id, _VemStParam* r, void* v, uint32_t size) {
  g_log->push_back(std::to_string(id) + " beforeSet " + Describe(*r) + " " + Value(r->type, v, size));
  if (ModeOf(r) == kRewriteSet && r->type == PARAM_TYPE_INT) *static_cast<int64_t*>(v) = 4;
  if (ModeOf(r) == kRewriteSet && r->type == PARAM_TYPE_FLOAT) *static_cast<double*>(v) = 0.25;
  return ModeOf(r) == kVetoSet ? CodeOf(r) : 0;
}
int32_t AfterSet(uint32_t id, _VemStParam* r) {
  g_log->push_back(std::to_string(id) + " afterSet " + Describe(*r));
  return CodeOf(r);
}
int32_t BeforeGet(uint32_t id, _VemStParam* r) {
  g_log->push_back(std::to_string(id) + " beforeGet " + Describe(*r));
  if (ModeOf(r) == kRefreshGet && r->type < PARAM_TYPE_STRING) r->intVal.current ^= 1;
  return ModeOf(r) == kVetoGet ? CodeOf(r) : 0;
}
int32_t AfterGet(uint32_t id, _VemStParam* r, void* old, uint32_t size) {
  g_log->push_back(std::to_string(id) + " afterGet " + Describe(*r) + " " + Value(r->type, old, size));
  return CodeOf(r);
}
struct Listener : VemParamListener {
  int id = 0;
  int32_t OnParamChanged(_VemStParam* copy) override {
    g_log->push_back("listener " + std::to_string(id) + " " + Describe(*copy));
    copy->intVal.current = -99;  // a listener's copy is its own
    return 1;
  }
};

// A parameter of the model: its record, with the text or bytes kept apart.
struct Param {
  _VemStParam r;
  std::string bytes;
  uint32_t serial = 0;  // tells a replaced record from its successor
  _VemStParam* Record() {
    if (r.type == PARAM_TYPE_STRING) r.strVal.current = &bytes[0];
    if (r.type == PARAM_TYPE_ARRAY) r.arrVal.current = &bytes[0], r.arrVal.size = static_cast<uint32_t>(bytes.size());
    return &r;
  }
};

// The result codes are spelt as the numbers callers built elsewhere compare with.
struct Model {
  std::map<int32_t, Param> params;
  HashtableModel order{151, 0.75f}, lists{151, 0.75f};  // the tables' enumeration orders
  std::map<int32_t, std::vector<Listener*>> listeners;
  std::map<int32_t, std::string> linked;
  std::vector<std::pair<int32_t, uint32_t>> queue;  // key and serial of each deferred write

  Param* Find(const char* name) {
    auto found = params.find(GenerateID(name));
    return found == params.end() ? nullptr : &found->second;
  }
  static void Notify(const std::vector<Listener*>& list, Param& p) {
    for (Listener* listener : list) {
      _VemStParam copy = *p.Record();
      if (listener != nullptr) listener->OnParamChanged(&copy);
    }
  }
  // A NaN, as value or as bound, never refuses.
  template <typename Range, typename T>
  static bool InRange(const Range& n, T v) {
    return !(n.minExclusive ? v <= n.min : v < n.min) && !(n.maxExclusive ? v >= n.max : v > n.max);
  }

  int32_t Write(const char* name, uint32_t type, void* v, uint32_t size, bool notify) {
    Param* p = Find(name);
    if (p == nullptr || p->r.type != type) return p == nullptr ? -7004 : -7001;
    const int32_t veto = p->r.pfnBeforeSet ? p->r.pfnBeforeSet(77, p->Record(), v, size) : 0;
    if (veto != 0) return veto;
    if ((p->r.access & PARAM_ACCESS_WRITE) == 0) return -7003;
    if (type == PARAM_TYPE_INT && !InRange(p->r.intVal, *static_cast<int64_t*>(v))) return -7002;
    if (type == PARAM_TYPE_FLOAT && !InRange(p->r.floatVal, *static_cast<double*>(v))) return -7002;
    if (type < PARAM_TYPE_STRING) std::memcpy(&p->r.intVal.current, v, size);
    if (type >= PARAM_TYPE_STRING) p->bytes.assign(static_cast<char*>(v), size - (type == PARAM_TYPE_STRING));
    if (!notify) queue.emplace_back(GenerateID(name), p->serial);
    if (!notify || p->r.pfnAfterSet == nullptr) return 0;
    const int32_t result = p->r.pfnAfterSet(77, p->Record());
    Notify(listeners[GenerateID(name)], *p);
    return result;
  }

  // *out receives the bytes delivered.
  int32_t Read(const char* name, uint32_t type, bool size_query, uint32_t* length, std::string* out) {
    Param* p = Find(name);
    if (p == nullptr || p->r.type != type) return p == nullptr ? -7004 : -7001;
    const char* const scalar = reinterpret_cast<const char*>(&p->r.intVal.current);
    std::string before = type < PARAM_TYPE_STRING ? std::string(scalar, Size(type)) : p->bytes + '\0';
    const uint32_t needed = static_cast<uint32_t>(p->bytes.size() + (type == PARAM_TYPE_STRING));
    const int32_t refusal = p->r.pfnBeforeGet ? p->r.pfnBeforeGet(77, p->Record()) : 0;
    if (refusal != 0) return refusal;
    if ((p->r.access & PARAM_ACCESS_READ) == 0) return -7003;
    if (type >= PARAM_TYPE_STRING && !size_query && *length < needed) return -7005;
    if (type >= PARAM_TYPE_STRING) *length = needed;
    if (size_query) return 0;
    *out = type < PARAM_TYPE_STRING ? std::string(scalar, Size(type)) : std::string(p->bytes.c_str(), needed);
    return p->r.pfnAfterGet ? p->r.pfnAfterGet(77, p->Record(), &before[0], type < 3 ? Size(type) : needed) : 0;
  }

  int32_t Flush() {
    int32_t result = 0;
    for (const auto& entry : queue) {
      Param& p = params.at(entry.first);
      if (p.serial != entry.second || p.r.pfnAfterSet == nullptr) continue;  // replaced since, or nothing to apply
      const int32_t applied = p.r.pfnAfterSet(77, p.Record());
      if (applied != 0) result = applied;
      for (const auto& list : lists.Enumerate()) Notify(listeners[list.first], p);
    }
    queue.clear();
    return result;
  }
};

struct Run {
  VemParamStorage storage{77};
  Model model;
  Listener listeners[3];
  std::vector<std::string> real_log, model_log;
  uint32_t serials = 0;
  const VemParamStorage* registered = VemParamStorage::GetStorage(77);  // what earlier runs left there
  // The world the next calls drive, and whose log the callbacks write.
  VemParamStorage& Real() { return g_log = &real_log, storage; }
  Model& Modelled() { return g_log = &model_log, model; }
};

// Mostly the type of the parameter under the name, so that most calls get past the type test.
uint32_t PickType(OpStream& in, Run& run, const char* name) {
  const Param* p = run.model.Find(name);
  return static_cast<uint32_t>(p != nullptr && in.Range(0, 3) != 0 ? p->r.type : in.Range(0, 4));
}

// Numbers in and at the edges of the ranges, NaN and infinities; texts of neighbouring lengths, or bytes.
struct Values {
  bool b;
  int64_t i;
  double d;
  std::string bytes;
};
Values PickValues(OpStream& in, uint32_t type) {
  const char* const texts[] = {"", "a", "ab", "abc", "hello", "a somewhat longer text value"};
  const double doubles[] = {0.0, -1.5, 2.5, 7.0, 1e300, NAN, INFINITY, -INFINITY};
  const bool b = in.Bool();
  const int64_t i = in.Range(0, 7) == 0 ? INT64_MIN : in.Range(-6, 6);
  const double d = in.Pick(doubles);
  return {b, i, d, type == PARAM_TYPE_STRING ? in.Pick(texts) : in.Bytes(24)};
}

void AddParam(OpStream& in, Run& run, const char* name) {
  Param p;
  std::strcpy(p.r.name, name);
  p.r.type = static_cast<uint32_t>(in.Range(0, 5));
  p.r.access = static_cast<uint32_t>(in.Range(0, 3) | in.Range(kPlain, kRefreshGet) << 8 | in.Range(0, 4) << 16);
  const int callbacks = in.Range(0, 15);
  p.r.pfnBeforeSet = (callbacks & 1) ? BeforeSet : nullptr;
  p.r.pfnAfterSet = (callbacks & 2) ? AfterSet : nullptr;
  p.r.pfnBeforeGet = (callbacks & 4) ? BeforeGet : nullptr;
  p.r.pfnAfterGet = (callbacks & 8) ? AfterGet : nullptr;
  Values v = PickValues(in, p.r.type);
  p.bytes = v.bytes;
  if (p.r.type == PARAM_TYPE_INT) p.r.intVal = {0, v.i, in.Range(-8, 2), in.Range(-2, 8), false, false};
  if (p.r.type == PARAM_TYPE_FLOAT)
    p.r.floatVal = {0, v.d, in.Bool() ? -2.0 : v.d, in.Bool() ? 8.0 : NAN, false, false};
  if (p.r.type == PARAM_TYPE_BOOL) p.r.boolVal.initial = v.b;
  if (p.r.type == PARAM_TYPE_STRING) p.r.strVal.initial = p.bytes.c_str();
  if (p.r.type == PARAM_TYPE_ARRAY) p.r.arrVal = {nullptr, 0, p.bytes.data(), static_cast<uint32_t>(p.bytes.size())};
  auto* flags = reinterpret_cast<unsigned char*>(&p.r.intVal.minExclusive);
  const bool ranged = p.r.type == PARAM_TYPE_INT || p.r.type == PARAM_TYPE_FLOAT;
  for (int f = 0; ranged && f < 2; ++f) flags[f] = static_cast<unsigned char>(in.Pick({0, 1, 2, 255}));
  _VemStParam record = p.r;
  const int32_t result = run.Real().AddParam(&record);
  MODEL_CHECK(result == (p.r.type > PARAM_TYPE_ARRAY ? -7001 : 0));
  if (result != 0) return MODEL_CHECK(std::memcmp(&record, &p.r, sizeof record) == 0);
  for (int f = 0; ranged && f < 2; ++f) flags[f] = flags[f] != 0;
  if (ranged) std::memcpy(&p.r.intVal.current, &p.r.intVal.initial, 8);
  if (p.r.type == PARAM_TYPE_BOOL) p.r.boolVal.current = p.r.boolVal.initial;
  MODEL_CHECK(Describe(record) == Describe(*p.Record()));  // the caller's record shows the starting value
  p.serial = ++run.serials;
  run.model.params[GenerateID(name)] = p;
  run.model.order.Put(GenerateID(name), &run);
}

void Write(OpStream& in, Run& run, const char* name) {
  const uint32_t type = PickType(in, run, name);
  const bool notify = in.Bool();
  Values v = PickValues(in, type);
  std::string copy = v.bytes;
  const uint32_t size = static_cast<uint32_t>(type == PARAM_TYPE_BOOL ? 1 : type < 3 ? 8 : copy.size() + (type == 3));
  VemParamStorage& s = run.Real();
  const int32_t result = type == PARAM_TYPE_INT      ? s.SetParamInt(name, v.i, notify)
                         : type == PARAM_TYPE_BOOL   ? s.SetParamBool(name, v.b, notify)
                         : type == PARAM_TYPE_FLOAT  ? s.SetParamFloat(name, v.d, notify)
                         : type == PARAM_TYPE_STRING ? s.SetParamString(name, v.bytes.c_str(), notify)
                                                     : s.SetParamArray(name, v.bytes.data(), size, notify);
  void* const values[] = {&v.i, &v.b, &v.d, &copy[0], &copy[0]};
  MODEL_CHECK(result == run.Modelled().Write(name, type, values[type], size, notify));
}

// A read into a buffer that also takes the scalars: it holds what was
// delivered and, beyond it, what it held before.
void Read(OpStream& in, Run& run, const char* name) {
  const uint32_t type = PickType(in, run, name);
  const bool size_query = type >= PARAM_TYPE_STRING && in.Range(0, 3) == 0;
  uint32_t length = static_cast<uint32_t>(in.Range(0, 32)), expected_length = length;
  alignas(8) char buffer[40];
  std::memset(buffer, 'Z', sizeof buffer);
  std::string expected;
  char* const out = size_query ? nullptr : buffer;
  VemParamStorage& s = run.Real();
  const int32_t result = type == PARAM_TYPE_INT      ? s.GetParamInt(name, reinterpret_cast<int64_t*>(buffer))
                         : type == PARAM_TYPE_BOOL   ? s.GetParamBool(name, reinterpret_cast<bool*>(buffer))
                         : type == PARAM_TYPE_FLOAT  ? s.GetParamFloat(name, reinterpret_cast<double*>(buffer))
                         : type == PARAM_TYPE_STRING ? s.GetParamString(name, out, &length)
                                                     : s.GetParamArray(name, out, &length);
  MODEL_CHECK(result == run.Modelled().Read(name, type, size_query, &expected_length, &expected));
  MODEL_CHECK(length == expected_length &&
              std::string(buffer, 40) == expected + std::string(40 - expected.size(), 'Z'));
}

// Links a block, or reads one back into a buffer of a random size.
void Link(OpStream& in, Run& run, const char* name) {
  const bool found = run.model.Find(name) != nullptr;
  if (in.Bool()) {
    const std::string block = in.Bytes(20);
    MODEL_CHECK(run.storage.LinkParamData(name, block.data(), static_cast<uint32_t>(block.size())) ==
                (found ? 0 : -7004));
    if (found) run.model.linked[GenerateID(name)] = block;
    return;
  }
  char buffer[24];
  std::memset(buffer, 'Z', sizeof buffer);
  const uint32_t size = static_cast<uint32_t>(in.Range(0, 24));
  const auto linked = run.model.linked.find(GenerateID(name));
  const bool has = found && linked != run.model.linked.end(), fits = has && linked->second.size() <= size;
  MODEL_CHECK(run.storage.GetLinkedData(name, buffer, size) == (fits ? 0 : has ? -7005 : -7004));
  const std::string copied = fits ? linked->second : "";
  MODEL_CHECK(std::string(buffer, 24) == copied + std::string(24 - copied.size(), 'Z'));
}

// Every record, as GetParametersList and GetParamData copy them out, and the
// registry, which finds the storage it was last given under the identifier.
void CompareRecords(OpStream& in, Run& run, const char* name) {
  const uint32_t n = static_cast<uint32_t>(run.model.params.size());
  uint32_t count = n + 1;
  std::vector<_VemStParam> list(count);
  list.back().type = 77;
  MODEL_CHECK(run.storage.GetParametersList(list.data(), &count) == 0 && count == n && list.back().type == 77);
  size_t at = 0;
  for (const auto& entry : run.model.order.Enumerate()) {
    MODEL_CHECK(Describe(list[at++]) == Describe(*run.model.params.at(entry.first).Record()));
  }
  Param* p = run.model.Find(name);
  MODEL_CHECK(run.storage.GetParamData(name, &list.back()) == (p ? 0 : -7004));
  MODEL_CHECK(p ? Describe(list.back()) == Describe(*p->Record()) : list.back().type == 77);
  VemParamStorage* const added = in.Bool() ? &run.storage : nullptr;
  VemParamStorage::AddStorage(77, added);
  if (added != nullptr) run.registered = added;
  MODEL_CHECK(VemParamStorage::GetStorage(77) == run.registered);
}

void Listen(OpStream& in, Run& run, const char* name) {
  const int id = in.Range(-1, 2);
  Listener* const listener = id < 0 ? nullptr : &run.listeners[id];
  std::vector<Listener*>& list = run.model.listeners[GenerateID(name)];
  if (in.Bool()) {
    const bool found = run.model.Find(name) != nullptr;
    MODEL_CHECK(run.storage.AddParamChangedListener(name, listener) == (found ? 0 : -7004));
    if (found) list.push_back(listener), run.model.lists.Put(GenerateID(name), &run);
    return;
  }
  const auto at = std::find(list.begin(), list.end(), listener);
  MODEL_CHECK(run.storage.RemoveParamChangedListener(name, listener) == (at == list.end() ? -7004 : 0));
  if (at != list.end()) list.erase(at);
}

void Flush(OpStream&, Run& run, const char*) { MODEL_CHECK(run.Real().UpdateToObject() == run.Modelled().Flush()); }
void Clear(OpStream&, Run& run, const char*) { run.storage.ClearStorage(), run.model = Model(); }

}  // namespace

void RunParams(OpStream& in) {
  Run run;
  for (int id = 0; id < 3; ++id) run.listeners[id].id = id;
  void (*const steps[])(OpStream&, Run&, const char*) = {AddParam, AddParam, Write, Write, Read,
                                                         Listen,   Link,     Flush, Clear, CompareRecords};
  for (int step = 0; step < 96 && in.More(); ++step) {
    const char* name = in.Pick(kNames);
    in.Pick(steps)(in, run, name);
    MODEL_CHECK(run.real_log == run.model_log);
  }
}

}  // namespace vem_test
