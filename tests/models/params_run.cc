// VemParamStorage against a plain model of it, over names of which "Aa" and
// "BB" share a key: parameters of every type (and an unknown one) with random
// access bits, range flag bytes, ranges with NaN bounds and callbacks; typed
// and raw writes, reads and size queries, listeners (null ones too, and one
// that replaces the record it hears of), linked blocks, deferred writes and
// their flush, the records copied out, clearing and the registry. The same
// callbacks and listeners serve both worlds and log every call with its
// arguments; after each step the results, what was delivered and the two
// logs must agree.
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
struct Run;
Run* g_run;
std::vector<std::string>* g_log;  // the log of the world being driven

// The size of a value: 8 bytes of an integer or double, 1 of a boolean, size of text or bytes.
uint32_t SizeOf(uint32_t type, size_t size) {
  return static_cast<uint32_t>(type == PARAM_TYPE_BOOL ? 1 : type < PARAM_TYPE_STRING ? 8 : size);
}
std::string Bytes(uint32_t type, const void* v, size_t size) {
  return std::string(static_cast<const char*>(v), SizeOf(type, size));
}
std::string Describe(const _VemStParam& r) {
  const std::string s = std::string(r.name) + "|" + std::to_string(r.type) + "|" + std::to_string(r.access) + "|";
  if (r.type == PARAM_TYPE_STRING) return s + r.strVal.current;
  if (r.type == PARAM_TYPE_ARRAY) return s + Bytes(r.type, r.arrVal.current, r.arrVal.size);
  const auto* area = reinterpret_cast<const char*>(&r.intVal);  // the value, then the range flags' bytes
  return s + std::string(area, 8) + std::string(area + 32, 2);
}

// What the owner's callbacks do rides in access bits that mean nothing to
// the storage, so that both worlds read it from the record they pass: with
// bit 8 the callbacks before a write or read refuse, with bit 9 they zero the
// new or the current scalar; bits 16 to 18 pick the code they answer.
int32_t Callback(const char* kind, uint32_t id, _VemStParam* r, void* v, uint32_t size) {
  const std::string value = v != nullptr ? Bytes(r->type, v, size) : "";
  g_log->push_back(std::to_string(id) + kind + Describe(*r) + value + std::to_string(size));
  const bool before = kind[1] == 'b';
  void* const scalar = v != nullptr ? v : &r->intVal.current;
  if (before && (r->access & 0x200) != 0 && r->type < PARAM_TYPE_STRING) std::memset(scalar, 0, SizeOf(r->type, 0));
  const int32_t code = std::vector<int32_t>{0, 0, 3, 9, -7002}.at(r->access >> 16 & 7);
  return before && (r->access & 0x100) == 0 ? 0 : code;
}
int32_t BeforeSet(uint32_t id, _VemStParam* r, void* v, uint32_t n) { return Callback(" beforeSet ", id, r, v, n); }
int32_t AfterSet(uint32_t id, _VemStParam* r) { return Callback(" afterSet ", id, r, nullptr, 0); }
int32_t BeforeGet(uint32_t id, _VemStParam* r) { return Callback(" beforeGet ", id, r, nullptr, 0); }
int32_t AfterGet(uint32_t id, _VemStParam* r, void* old, uint32_t n) { return Callback(" afterGet ", id, r, old, n); }
struct Listener : VemParamListener {
  int id = 0;
  int32_t OnParamChanged(_VemStParam* copy) override;
};

// A parameter of the model: its record, with the text or bytes kept apart.
struct Param {
  _VemStParam r;
  std::string bytes;
  _VemStParam* Record() {
    if (r.type == PARAM_TYPE_STRING) r.strVal.current = &bytes[0];
    if (r.type == PARAM_TYPE_ARRAY) {
      r.arrVal.current = &bytes[0];
      r.arrVal.size = static_cast<uint32_t>(bytes.size());
    }
    return &r;
  }
  // What a read delivers: a scalar's bytes, the text with its NUL, the bytes.
  std::string Value() {
    if (r.type < PARAM_TYPE_STRING) return Bytes(r.type, &r.intVal.current, 0);
    return r.type == PARAM_TYPE_STRING ? bytes + '\0' : bytes;
  }
};

// The storage's rules, written plainly; the result codes are spelt as the
// numbers that callers built elsewhere compare with.
struct Model {
  std::map<int32_t, Param> params;
  HashtableModel order{151, 0.75f}, lists{151, 0.75f};  // the tables' enumeration orders
  std::map<int32_t, std::vector<Listener*>> listeners;
  std::map<int32_t, std::string> linked;
  std::vector<int32_t> queue;             // the keys of the deferred writes
  static constexpr int32_t kDropped = 1;  // no name's key: a write to a record replaced since

  // The parameter under the name if it has the type; otherwise null, and *refusal says why.
  Param* Find(const char* name, uint32_t type, int32_t* refusal) {
    const auto found = params.find(GenerateID(name));
    *refusal = found == params.end() ? -7004 : -7001;
    return found != params.end() && found->second.r.type == type ? &found->second : nullptr;
  }
  // Completes the caller's record as AddParam does: the current value from
  // the initial one, range flags as 0 or 1. The replaced record's deferred
  // writes are dropped.
  int32_t Add(_VemStParam* r) {
    if (r->type > PARAM_TYPE_ARRAY) return -7001;
    const char* const initial = r->type == PARAM_TYPE_STRING ? r->strVal.initial : "";
    Param& p = params[GenerateID(r->name)] = {*r, initial};
    if (r->type == PARAM_TYPE_ARRAY) p.bytes.assign(static_cast<const char*>(r->arrVal.initial), r->arrVal.initialSize);
    if (r->type == PARAM_TYPE_BOOL) p.r.boolVal.current = p.r.boolVal.initial;
    if (r->type == PARAM_TYPE_INT || r->type == PARAM_TYPE_FLOAT) {
      std::memcpy(&p.r.intVal.current, &p.r.intVal.initial, 8);
    }
    auto* flags = reinterpret_cast<unsigned char*>(&p.r.intVal.minExclusive);  // zero bytes in the other arms
    for (int f = 0; f < 2; ++f) flags[f] = flags[f] != 0;
    std::replace(queue.begin(), queue.end(), GenerateID(r->name), kDropped);
    order.Put(GenerateID(r->name), this);
    *r = *p.Record();
    return 0;
  }
  // p is a copy: a listener may replace the record while the others still hear of it.
  static void Notify(const std::vector<Listener*>& list, Param p) {
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
  // A typed write, or with raw the protected one, which checks only the value's shape.
  int32_t Write(const char* name, uint32_t type, void* v, uint32_t size, bool notify, bool raw) {
    int32_t refusal;
    Param* p = Find(name, type, &refusal);
    if (p == nullptr) return refusal;
    const bool text = type == PARAM_TYPE_STRING;
    if (raw && (text ? size == 0 || static_cast<char*>(v)[size - 1] != '\0' : size != SizeOf(type, size))) return -7001;
    refusal = p->r.pfnBeforeSet && !raw ? p->r.pfnBeforeSet(77, p->Record(), v, size) : 0;
    if (refusal != 0) return refusal;
    if ((p->r.access & PARAM_ACCESS_WRITE) == 0 && !raw) return -7003;
    if (type == PARAM_TYPE_INT && !raw && !InRange(p->r.intVal, *static_cast<int64_t*>(v))) return -7002;
    if (type == PARAM_TYPE_FLOAT && !raw && !InRange(p->r.floatVal, *static_cast<double*>(v))) return -7002;
    if (type < PARAM_TYPE_STRING) std::memcpy(&p->r.intVal.current, v, size);
    if (type >= PARAM_TYPE_STRING) p->bytes.assign(static_cast<char*>(v), size - text);
    if (!notify && !raw) queue.push_back(GenerateID(name));
    if (!notify || raw || p->r.pfnAfterSet == nullptr) return 0;
    const int32_t result = p->r.pfnAfterSet(77, p->Record());
    Notify(listeners[GenerateID(name)], *p);
    return result;
  }
  // As a typed read: text and bytes go to out unless it is null.
  int32_t Read(const char* name, uint32_t type, char* out, uint32_t* length) {
    int32_t refusal;
    Param* p = Find(name, type, &refusal);
    if (p == nullptr) return refusal;
    std::string before = p->Value();
    refusal = p->r.pfnBeforeGet ? p->r.pfnBeforeGet(77, p->Record()) : 0;
    if (refusal != 0) return refusal;
    if ((p->r.access & PARAM_ACCESS_READ) == 0) return -7003;
    const std::string now = p->Value();
    if (type >= PARAM_TYPE_STRING && out != nullptr && *length < now.size()) return -7005;
    if (type >= PARAM_TYPE_STRING) *length = static_cast<uint32_t>(now.size());
    if (out == nullptr) return 0;
    std::memcpy(out, now.data(), now.size());
    return p->r.pfnAfterGet ? p->r.pfnAfterGet(77, p->Record(), &before[0], static_cast<uint32_t>(before.size())) : 0;
  }
  int32_t Flush() {
    int32_t result = 0;
    for (size_t at = 0; at < queue.size(); ++at) {
      if (queue[at] == kDropped || params.at(queue[at]).r.pfnAfterSet == nullptr) continue;
      Param p = params.at(queue[at]);
      const int32_t applied = p.r.pfnAfterSet(77, p.Record());
      if (applied != 0) result = applied;
      for (const auto& list : lists.Enumerate()) Notify(listeners[list.first], p);
    }
    queue.clear();
    return result;
  }
};

// The storage under test, as a derived class reaches it (the protected raw
// write), with the model beside it. The world the next calls drive is the
// one whose log the callbacks write.
struct Run : VemParamStorage {
  Run() : VemParamStorage(77) {}
  Model model;
  Listener listeners[3];
  std::vector<std::string> real_log, model_log;
  const VemParamStorage* registered = GetStorage(77);  // what earlier runs left there
  Run& Real() {
    g_log = &real_log;
    return *this;
  }
  Model& Modelled() {
    g_log = &model_log;
    return model;
  }
  int32_t RawWrite(const char* name, const void* v, uint32_t size) {
    _VemStParam* const r = m_params.Get(GenerateID(name));
    return SetParam(r != nullptr ? r : &_g_tmp_param, v, size);
  }
};

// A value of each type: numbers in and at the edges of the ranges, NaN and
// infinities; texts of neighbouring lengths, which serve as bytes too. They
// are literals, so a record's initial value outlives the step that made it.
struct Values {
  explicit Values(OpStream& in) : b(in.Bool()), i(in.Range(0, 7) == 0 ? INT64_MIN : in.Range(-3, 3)) {
    const double doubles[] = {0.0, -1.5, 2.5, 7.0, 1e300, NAN, INFINITY, -INFINITY};
    const char* const texts[] = {"", "a", "ab", "abc", "hello", "a somewhat longer text value"};
    d = in.Pick(doubles);
    text = in.Pick(texts);
  }
  bool b;
  int64_t i;
  double d;
  const char* text;
  void* At(uint32_t type) {
    void* const at[] = {&i, &b, &d, const_cast<char*>(text), const_cast<char*>(text)};
    return at[type];
  }
  uint32_t Size(uint32_t type) const { return SizeOf(type, std::strlen(text) + (type == PARAM_TYPE_STRING)); }
};

// Mostly the type of the parameter under the name, so that most calls get
// past the type test; always it when exact.
uint32_t PickType(OpStream& in, Run& run, const char* name, bool exact) {
  const auto found = run.model.params.find(GenerateID(name));
  const bool known = found != run.model.params.end() && (exact || in.Range(0, 3) != 0);
  return static_cast<uint32_t>(known ? found->second.r.type : in.Range(0, 4));
}

void AddParam(OpStream& in, Run& run, const char* name) {
  _VemStParam r;
  std::strcpy(r.name, name);
  r.type = static_cast<uint32_t>(in.Range(0, 5));
  r.access = static_cast<uint32_t>(in.Range(0, 0x3FF) | in.Range(0, 4) << 16);
  const int callbacks = in.Range(0, 15);
  r.pfnBeforeSet = (callbacks & 1) ? BeforeSet : nullptr;
  r.pfnAfterSet = (callbacks & 2) ? AfterSet : nullptr;
  r.pfnBeforeGet = (callbacks & 4) ? BeforeGet : nullptr;
  r.pfnAfterGet = (callbacks & 8) ? AfterGet : nullptr;
  Values v(in);
  if (r.type == PARAM_TYPE_INT) r.intVal = {0, v.i, in.Range(-4, 1), in.Range(-1, 4), false, false};
  if (r.type == PARAM_TYPE_FLOAT) r.floatVal = {0, v.d, in.Bool() ? -2.0 : v.d, in.Bool() ? 8.0 : NAN, false, false};
  if (r.type == PARAM_TYPE_BOOL) r.boolVal.initial = v.b;
  if (r.type == PARAM_TYPE_STRING) r.strVal.initial = v.text;
  if (r.type == PARAM_TYPE_ARRAY) r.arrVal = {nullptr, 0, v.text, v.Size(PARAM_TYPE_ARRAY)};
  auto* flags = reinterpret_cast<unsigned char*>(&r.intVal.minExclusive);  // any byte a caller may leave
  const bool ranged = r.type == PARAM_TYPE_INT || r.type == PARAM_TYPE_FLOAT;
  for (int f = 0; ranged && f < 2; ++f) flags[f] = static_cast<unsigned char>(in.Pick({0, 1, 2, 255}));
  _VemStParam expected = r;
  const int32_t result = run.Real().AddParam(&r);
  MODEL_CHECK(result == run.Modelled().Add(&expected));
  // The caller's record shows the starting value; a refused one is as it was.
  MODEL_CHECK(result == 0 ? Describe(r) == Describe(expected) : std::memcmp(&r, &expected, sizeof r) == 0);
}

// A typed write, or the protected raw one of the record's own type, at times one byte short.
void Write(OpStream& in, Run& run, const char* name) {
  const bool raw = in.Range(0, 3) == 0, notify = in.Bool();
  const uint32_t type = PickType(in, run, name, raw);
  Values v(in);
  const uint32_t size = v.Size(type) - (raw && v.Size(type) > 0 && in.Bool());
  Run& s = run.Real();
  const int32_t result = raw                         ? s.RawWrite(name, v.At(type), size)
                         : type == PARAM_TYPE_INT    ? s.SetParamInt(name, v.i, notify)
                         : type == PARAM_TYPE_BOOL   ? s.SetParamBool(name, v.b, notify)
                         : type == PARAM_TYPE_FLOAT  ? s.SetParamFloat(name, v.d, notify)
                         : type == PARAM_TYPE_STRING ? s.SetParamString(name, v.text, notify)
                                                     : s.SetParamArray(name, v.text, size, notify);
  MODEL_CHECK(result == run.Modelled().Write(name, type, v.At(type), size, notify, raw));
}

// A typed read: scalars into out, text and bytes into out when it is not null.
int32_t ReadReal(VemParamStorage& s, const char* name, uint32_t type, char* out, uint32_t* length) {
  return type == PARAM_TYPE_INT      ? s.GetParamInt(name, reinterpret_cast<int64_t*>(out))
         : type == PARAM_TYPE_BOOL   ? s.GetParamBool(name, reinterpret_cast<bool*>(out))
         : type == PARAM_TYPE_FLOAT  ? s.GetParamFloat(name, reinterpret_cast<double*>(out))
         : type == PARAM_TYPE_STRING ? s.GetParamString(name, out, length)
                                     : s.GetParamArray(name, out, length);
}

// A read into a buffer that also takes the scalars: it holds what was
// delivered and, beyond it, what it held before.
void Read(OpStream& in, Run& run, const char* name) {
  const uint32_t type = PickType(in, run, name, false);
  const bool size_query = type >= PARAM_TYPE_STRING && in.Range(0, 3) == 0;
  uint32_t length = static_cast<uint32_t>(in.Range(0, 32)), expected_length = length;
  alignas(8) char buffer[40], expected[40];
  std::memset(buffer, 'Z', sizeof buffer);
  std::memset(expected, 'Z', sizeof expected);
  const int32_t result = ReadReal(run.Real(), name, type, size_query ? nullptr : buffer, &length);
  MODEL_CHECK(result == run.Modelled().Read(name, type, size_query ? nullptr : expected, &expected_length));
  MODEL_CHECK(length == expected_length && std::memcmp(buffer, expected, sizeof buffer) == 0);
}

// Listener 2 also replaces the parameter it hears of by one made afresh from
// its record, and reads that back through its callbacks: the storage must
// keep the replaced record whole for the listeners after it, and never flush
// the replaced record's deferred writes.
int32_t Listener::OnParamChanged(_VemStParam* copy) {
  g_log->push_back("listener " + std::to_string(id) + " " + Describe(*copy));
  _VemStParam again = *copy;
  alignas(8) char buffer[40];
  uint32_t length = sizeof buffer;
  if (id == 2 && g_log == &g_run->real_log) {
    g_run->AddParam(&again);
    ReadReal(*g_run, again.name, again.type, buffer, &length);
  } else if (id == 2) {
    g_run->model.Add(&again);
    g_run->model.Read(again.name, again.type, buffer, &length);
  }
  copy->intVal.current = -99;  // a listener's copy is its own
  return 1;
}

// At times links a block, then reads the block back into a buffer of a random size.
void Link(OpStream& in, Run& run, const char* name) {
  const int32_t key = GenerateID(name);
  if (in.Bool()) {
    const std::string block = Values(in).text;
    const bool found = run.model.params.count(key) != 0;
    MODEL_CHECK(run.LinkParamData(name, block.data(), static_cast<uint32_t>(block.size())) == (found ? 0 : -7004));
    if (found) run.model.linked[key] = block;
  }
  char buffer[32];
  std::memset(buffer, 'Z', sizeof buffer);
  const uint32_t size = static_cast<uint32_t>(in.Range(0, 32));
  const bool has = run.model.linked.count(key) != 0, fits = has && run.model.linked[key].size() <= size;
  MODEL_CHECK(run.GetLinkedData(name, buffer, size) == (fits ? 0 : has ? -7005 : -7004));
  const std::string copied = fits ? run.model.linked[key] : "";
  MODEL_CHECK(std::string(buffer, 32) == copied + std::string(32 - copied.size(), 'Z'));
}

void Listen(OpStream& in, Run& run, const char* name) {
  const int id = in.Range(-1, 2);
  Listener* const listener = id < 0 ? nullptr : &run.listeners[id];
  const int32_t key = GenerateID(name);
  std::vector<Listener*>& list = run.model.listeners[key];
  if (in.Bool()) {
    const bool found = run.model.params.count(key) != 0;
    MODEL_CHECK(run.AddParamChangedListener(name, listener) == (found ? 0 : -7004));
    if (found) {
      list.push_back(listener);
      run.model.lists.Put(key, &run);
    }
    return;
  }
  const auto at = std::find(list.begin(), list.end(), listener);
  MODEL_CHECK(run.RemoveParamChangedListener(name, listener) == (at == list.end() ? -7004 : 0));
  if (at != list.end()) list.erase(at);
}

// Every record, as GetParametersList and GetParamData copy them out, and the
// registry, which finds the storage it was last given under the identifier.
void CompareRecords(OpStream& in, Run& run, const char* name) {
  const uint32_t n = static_cast<uint32_t>(run.model.params.size());
  uint32_t count = n + 1;
  std::vector<_VemStParam> list(count);
  list.back().type = 77;
  MODEL_CHECK(run.GetParametersList(list.data(), &count) == 0 && count == n && list.back().type == 77);
  size_t at = 0;
  for (const auto& entry : run.model.order.Enumerate()) {
    MODEL_CHECK(Describe(list[at++]) == Describe(*run.model.params.at(entry.first).Record()));
  }
  const auto p = run.model.params.find(GenerateID(name));
  const bool found = p != run.model.params.end();
  MODEL_CHECK(run.GetParamData(name, &list.back()) == (found ? 0 : -7004));
  MODEL_CHECK(found ? Describe(list.back()) == Describe(*p->second.Record()) : list.back().type == 77);
  VemParamStorage* const added = in.Bool() ? &run : nullptr;
  VemParamStorage::AddStorage(77, added);
  if (added != nullptr) run.registered = added;
  MODEL_CHECK(VemParamStorage::GetStorage(77) == run.registered);
}

void Flush(OpStream&, Run& run, const char*) { MODEL_CHECK(run.Real().UpdateToObject() == run.Modelled().Flush()); }
void Clear(OpStream&, Run& run, const char*) {
  run.ClearStorage();
  run.model = Model();
}

}  // namespace

void RunParams(OpStream& in) {
  Run run;
  g_run = &run;
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
