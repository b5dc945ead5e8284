// Parameter storage against the store a C++ programmer would write without
// the library: std::unordered_map<std::string, Param> keyed by the name,
// std::function callbacks, a std::vector of std::function listeners per name,
// the same checks (type, veto, access, range) and the same deferred queue.
// Where listeners are called, a second baseline (FloorFixture) makes the
// same store hand each listener its own copy of a record, as the library must.
//
// Every benchmark reports allocs_per_op: heap allocations counted by the
// replaced global operator new below, divided by the operations timed.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <new>
#include <string>
#include <unordered_map>
#include <vector>

#include "VemParams.h"
#include "params/name_key.h"

namespace {
uint64_t g_allocations = 0;
}  // namespace

// operator new and delete are replaced as a pair over malloc and free; GCC
// still flags free() on a pointer that came from operator new once inlined.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

void* operator new(std::size_t size) {
  ++g_allocations;
  if (void* block = std::malloc(size ? size : 1)) return block;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }

namespace {

constexpr int kQueued = 1000;
const char kText32[] = "0123456789abcdefghijklmnopqrstu";  // 31 + NUL

// Measures allocations over the timed loop of one benchmark.
class AllocationCounter {
 public:
  AllocationCounter() : m_start(g_allocations) {}
  void Report(benchmark::State& state, int64_t opsPerIteration = 1) {
    state.counters["allocs_per_op"] =
        static_cast<double>(g_allocations - m_start) / static_cast<double>(state.iterations() * opsPerIteration);
  }

 private:
  uint64_t m_start;
};

// --- The library -----------------------------------------------------------

int64_t g_sink = 0;

int32_t AfterSet(uint32_t, _VemStParam* param) {
  g_sink += param->intVal.current;
  return 0;
}

class SinkListener : public VemParamListener {
 public:
  int32_t OnParamChanged(_VemStParam* param) override {
    g_sink += param->intVal.current;
    return 0;
  }
};

// Where a read's time goes: the steps of GetParamInt for a record without
// callbacks, written out in the caller's loop, once with the name's hash and
// once with the key computed beforehand. Against the library's call, the
// first shows the cost of the call itself, the second that of the hash.
class ReadProbe : public VemParamStorage {
 public:
  using VemParamStorage::VemParamStorage;
  int32_t ReadInt(int32_t key, int64_t* value) const {
    const _VemStParam* param = m_params.Get(key);
    if (param == nullptr) return PARAM_ERR_NOT_FOUND;
    if (param->type != PARAM_TYPE_INT) return PARAM_ERR_TYPE;
    if (param->pfnBeforeGet != nullptr || param->pfnAfterGet != nullptr) return 1;
    if ((param->access & PARAM_ACCESS_READ) == 0) return PARAM_ERR_ACCESS;
    *value = param->intVal.current;
    return 0;
  }
};

// A storage holding Gain (with pfnAfterSet and one listener), Level (no
// callbacks) and Title (32-byte text), among 100 other parameters.
class VemFixture {
 public:
  VemFixture() : storage(1) {
    for (int i = 0; i < 100; ++i) {
      _VemStParam filler;
      std::snprintf(filler.name, sizeof(filler.name), "Filler%d", i);
      storage.AddParam(&filler);
    }
    _VemStParam gain;
    std::strcpy(gain.name, "Gain");
    gain.intVal.max = INT64_MAX;
    gain.pfnAfterSet = AfterSet;
    storage.AddParam(&gain);
    storage.AddParamChangedListener("Gain", &listener);
    _VemStParam level;
    std::strcpy(level.name, "Level");
    level.intVal.max = INT64_MAX;
    storage.AddParam(&level);
    _VemStParam title;
    std::strcpy(title.name, "Title");
    title.type = PARAM_TYPE_STRING;
    title.strVal.initial = kText32;
    storage.AddParam(&title);
  }
  ReadProbe storage;  // a VemParamStorage; the probe only adds a reader
  SinkListener listener;
};

void BM_Vem_SetIntNotify(benchmark::State& state) {
  VemFixture f;
  AllocationCounter allocations;
  int64_t v = 0;
  for (auto _ : state) benchmark::DoNotOptimize(f.storage.SetParamInt("Gain", ++v, true));
  allocations.Report(state);
}

void BM_Vem_DeferThenFlush1000(benchmark::State& state) {
  VemFixture f;
  f.storage.SetParamInt("Gain", 0, false);  // the queue's array exists from here
  f.storage.UpdateToObject();
  AllocationCounter allocations;
  for (auto _ : state) {
    for (int i = 0; i < kQueued; ++i) f.storage.SetParamInt("Gain", i, false);
    benchmark::DoNotOptimize(f.storage.UpdateToObject());
  }
  allocations.Report(state, kQueued);
  state.SetItemsProcessed(state.iterations() * kQueued);
}

void BM_Vem_GetInt(benchmark::State& state) {
  VemFixture f;
  AllocationCounter allocations;
  int64_t value = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(f.storage.GetParamInt("Level", &value));
    benchmark::DoNotOptimize(value);
  }
  allocations.Report(state);
}

template <bool kHashEachCall>
void BM_Probe_GetInt(benchmark::State& state) {
  VemFixture f;
  const ReadProbe& probe = f.storage;
  const int32_t key = vem::NameKey("Level");
  int64_t value = 0;
  for (auto _ : state) {
    const char* name = "Level";
    benchmark::DoNotOptimize(name);
    benchmark::DoNotOptimize(probe.ReadInt(kHashEachCall ? vem::NameKey(name) : key, &value));
    benchmark::DoNotOptimize(value);
  }
}

void BM_Vem_SetString32(benchmark::State& state) {
  VemFixture f;
  AllocationCounter allocations;
  for (auto _ : state) {
    benchmark::DoNotOptimize(f.storage.SetParamString("Title", kText32, true));
  }
  allocations.Report(state);
}

void BM_Vem_GetString32(benchmark::State& state) {
  VemFixture f;
  AllocationCounter allocations;
  char buffer[64];
  for (auto _ : state) {
    uint32_t length = sizeof(buffer);
    benchmark::DoNotOptimize(f.storage.GetParamString("Title", buffer, &length));
    benchmark::DoNotOptimize(buffer);
  }
  allocations.Report(state);
}

// --- The baseline ----------------------------------------------------------

struct Param {
  uint32_t type = PARAM_TYPE_INT;
  uint32_t access = PARAM_ACCESS_READ | PARAM_ACCESS_WRITE;
  int64_t intValue = 0, min = 0, max = INT64_MAX;
  bool minExclusive = false, maxExclusive = false;
  std::string text;
  std::function<int32_t(Param&, void*, uint32_t)> beforeSet;
  std::function<int32_t(Param&)> afterSet;
  std::function<int32_t(Param&)> beforeGet;
  std::function<int32_t(Param&, const void*, uint32_t)> afterGet;
};

class StdStore {
 public:
  using Listener = std::function<void(const Param&)>;

  int32_t SetInt(const std::string& name, int64_t value, bool notify) {
    auto it = m_params.find(name);
    if (it == m_params.end()) return PARAM_ERR_NOT_FOUND;
    Param& p = it->second;
    if (p.type != PARAM_TYPE_INT) return PARAM_ERR_TYPE;
    if (p.beforeSet) {
      if (int32_t veto = p.beforeSet(p, &value, sizeof(value))) return veto;
    }
    if ((p.access & PARAM_ACCESS_WRITE) == 0) return PARAM_ERR_ACCESS;
    const bool above = p.minExclusive ? value > p.min : value >= p.min;
    const bool below = p.maxExclusive ? value < p.max : value <= p.max;
    if (!above || !below) return PARAM_ERR_RANGE;
    p.intValue = value;
    return Finish(name, p, notify);
  }

  int32_t SetString(const std::string& name, const char* text, bool notify) {
    auto it = m_params.find(name);
    if (it == m_params.end()) return PARAM_ERR_NOT_FOUND;
    Param& p = it->second;
    if (p.type != PARAM_TYPE_STRING) return PARAM_ERR_TYPE;
    if (p.beforeSet) {
      const uint32_t size = static_cast<uint32_t>(std::strlen(text) + 1);
      if (int32_t veto = p.beforeSet(p, const_cast<char*>(text), size)) return veto;
    }
    if ((p.access & PARAM_ACCESS_WRITE) == 0) return PARAM_ERR_ACCESS;
    p.text = text;
    return Finish(name, p, notify);
  }

  int32_t GetInt(const std::string& name, int64_t* value) {
    auto it = m_params.find(name);
    if (it == m_params.end()) return PARAM_ERR_NOT_FOUND;
    Param& p = it->second;
    if (p.type != PARAM_TYPE_INT) return PARAM_ERR_TYPE;
    const int64_t before = p.intValue;
    if (p.beforeGet) {
      if (int32_t refusal = p.beforeGet(p)) return refusal;
    }
    if ((p.access & PARAM_ACCESS_READ) == 0) return PARAM_ERR_ACCESS;
    *value = p.intValue;
    return p.afterGet ? p.afterGet(p, &before, sizeof(before)) : 0;
  }

  template <bool kMeasureText = false>
  int32_t GetString(const std::string& name, char* buffer, uint32_t* length) {
    auto it = m_params.find(name);
    if (it == m_params.end()) return PARAM_ERR_NOT_FOUND;
    Param& p = it->second;
    if (p.type != PARAM_TYPE_STRING) return PARAM_ERR_TYPE;
    std::string before;
    if (p.afterGet) before = p.text;
    if (p.beforeGet) {
      if (int32_t refusal = p.beforeGet(p)) return refusal;
    }
    if ((p.access & PARAM_ACCESS_READ) == 0) return PARAM_ERR_ACCESS;
    // kMeasureText: measures the text as the library must, whose record
    // keeps no length, instead of asking the string for its size.
    const uint32_t needed = static_cast<uint32_t>((kMeasureText ? std::strlen(p.text.c_str()) : p.text.size()) + 1);
    if (buffer == nullptr) {
      *length = needed;
      return 0;
    }
    if (*length < needed) return PARAM_ERR_BUFFER;
    *length = needed;
    std::memcpy(buffer, p.text.c_str(), needed);
    return p.afterGet ? p.afterGet(p, before.c_str(), needed) : 0;
  }

  int32_t Flush() {
    int32_t result = 0;
    for (size_t i = 0; i < m_queue.size(); ++i) {
      Param& p = *m_queue[i];
      if (!p.afterSet) continue;
      if (int32_t applied = p.afterSet(p)) result = applied;
      for (auto& entry : m_listeners) {
        for (auto& listener : entry.second) listener(p);
      }
    }
    m_queue.clear();
    return result;
  }

  std::unordered_map<std::string, Param> m_params;
  std::unordered_map<std::string, std::vector<Listener>> m_listeners;

 private:
  int32_t Finish(const std::string& name, Param& p, bool notify) {
    if (!notify) {
      m_queue.push_back(&p);
      return 0;
    }
    if (!p.afterSet) return 0;
    const int32_t result = p.afterSet(p);
    auto it = m_listeners.find(name);
    if (it != m_listeners.end()) {
      for (auto& listener : it->second) listener(p);
    }
    return result;
  }

  std::vector<Param*> m_queue;
};

// The same parameters as VemFixture. Names are passed as ready std::strings,
// which spares the baseline a conversion per call.
class StdFixture {
 public:
  StdFixture() : gain("Gain"), level("Level"), title("Title") {
    for (int i = 0; i < 100; ++i) store.m_params["Filler" + std::to_string(i)];
    Param& g = store.m_params[gain];
    g.afterSet = [](Param& p) {
      g_sink += p.intValue;
      return 0;
    };
    store.m_listeners[gain].push_back([](const Param& p) { g_sink += p.intValue; });
    store.m_params[level];
    Param& t = store.m_params[title];
    t.type = PARAM_TYPE_STRING;
    t.text = kText32;
  }
  StdStore store;
  std::string gain, level, title;
};

// The floor the contract sets: every listener receives its own copy of the
// 336-byte record. This is the same store, whose listener makes that copy
// before it reads the value, as the library does for its listeners.
class FloorFixture : public StdFixture {
 public:
  FloorFixture() {
    std::strcpy(record.name, "Gain");
    std::vector<StdStore::Listener>& listeners = store.m_listeners[gain];
    listeners.clear();
    listeners.push_back([this](const Param& p) {
      _VemStParam copy = record;
      copy.intVal.current = p.intValue;
      benchmark::DoNotOptimize(copy);
      g_sink += copy.intVal.current;
    });
  }
  _VemStParam record;
};

template <typename Fixture>
void BM_Std_SetIntNotify(benchmark::State& state) {
  Fixture f;
  AllocationCounter allocations;
  int64_t v = 0;
  for (auto _ : state) benchmark::DoNotOptimize(f.store.SetInt(f.gain, ++v, true));
  allocations.Report(state);
}

template <typename Fixture>
void BM_Std_DeferThenFlush1000(benchmark::State& state) {
  Fixture f;
  f.store.SetInt(f.gain, 0, false);
  f.store.Flush();
  AllocationCounter allocations;
  for (auto _ : state) {
    for (int i = 0; i < kQueued; ++i) f.store.SetInt(f.gain, i, false);
    benchmark::DoNotOptimize(f.store.Flush());
  }
  allocations.Report(state, kQueued);
  state.SetItemsProcessed(state.iterations() * kQueued);
}

void BM_Std_GetInt(benchmark::State& state) {
  StdFixture f;
  AllocationCounter allocations;
  int64_t value = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(f.store.GetInt(f.level, &value));
    benchmark::DoNotOptimize(value);
  }
  allocations.Report(state);
}

void BM_Std_SetString32(benchmark::State& state) {
  StdFixture f;
  AllocationCounter allocations;
  for (auto _ : state) benchmark::DoNotOptimize(f.store.SetString(f.title, kText32, true));
  allocations.Report(state);
}

template <bool kMeasureText>
void BM_Std_GetString32(benchmark::State& state) {
  StdFixture f;
  AllocationCounter allocations;
  char buffer[64];
  for (auto _ : state) {
    uint32_t length = sizeof(buffer);
    benchmark::DoNotOptimize(f.store.GetString<kMeasureText>(f.title, buffer, &length));
    benchmark::DoNotOptimize(buffer);
  }
  allocations.Report(state);
}

}  // namespace

BENCHMARK(BM_Vem_SetIntNotify);
BENCHMARK_TEMPLATE(BM_Std_SetIntNotify, StdFixture);
BENCHMARK_TEMPLATE(BM_Std_SetIntNotify, FloorFixture);
BENCHMARK(BM_Vem_DeferThenFlush1000);
BENCHMARK_TEMPLATE(BM_Std_DeferThenFlush1000, StdFixture);
BENCHMARK_TEMPLATE(BM_Std_DeferThenFlush1000, FloorFixture);
BENCHMARK(BM_Vem_GetInt);
BENCHMARK(BM_Std_GetInt);
BENCHMARK_TEMPLATE(BM_Probe_GetInt, true);
BENCHMARK_TEMPLATE(BM_Probe_GetInt, false);
BENCHMARK(BM_Vem_SetString32);
BENCHMARK(BM_Std_SetString32);
BENCHMARK(BM_Vem_GetString32);
BENCHMARK_TEMPLATE(BM_Std_GetString32, false);
BENCHMARK_TEMPLATE(BM_Std_GetString32, true);

BENCHMARK_MAIN();
