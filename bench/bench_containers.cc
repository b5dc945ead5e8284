// Containers side by side with the standard library, in one run:
//   CHashtable Put, Get (hits, misses), Remove and full enumeration against
//   std::unordered_map<int32_t, void*>, at 1e3, 1e5 and 1e6 random keys;
//   UVector::AddElement against std::vector<uint32_t>::push_back;
//   the narrow GenerateID of 8-, 32- and 256-byte names against converting
//   the name into a new UTF-16 buffer and hashing that.
// Every benchmark reports items per second; compare a pair's figures.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "VemContainers.h"
#include "text/utf8_decoder.h"

namespace {

// Distinct random keys, and as many other random keys that are absent.
struct KeySet {
  std::vector<int32_t> present;
  std::vector<int32_t> absent;
};

const KeySet& Keys(int64_t count) {
  static std::unordered_map<int64_t, KeySet> cache;
  auto found = cache.find(count);
  if (found != cache.end()) return found->second;
  std::mt19937 random(static_cast<uint32_t>(count));
  std::uniform_int_distribution<int32_t> any(INT32_MIN, INT32_MAX);
  std::unordered_map<int32_t, bool> seen;
  KeySet keys;
  while (keys.present.size() < static_cast<size_t>(count)) {
    const int32_t key = any(random);
    if (seen.emplace(key, true).second) keys.present.push_back(key);
  }
  while (keys.absent.size() < static_cast<size_t>(count)) {
    const int32_t key = any(random);
    if (seen.emplace(key, false).second) keys.absent.push_back(key);
  }
  return cache.emplace(count, std::move(keys)).first->second;
}

// Lookups visit the keys in an order unrelated to insertion.
std::vector<int32_t> Shuffled(const std::vector<int32_t>& keys) {
  std::vector<int32_t> order = keys;
  std::shuffle(order.begin(), order.end(), std::mt19937(7));
  return order;
}

void* ValueOf(int32_t key) {
  return reinterpret_cast<void*>(static_cast<uintptr_t>(static_cast<uint32_t>(key)) | 1u);
}

using StdMap = std::unordered_map<int32_t, void*>;

void Fill(CHashtable* table, const std::vector<int32_t>& keys) {
  for (int32_t key : keys) table->Put(key, ValueOf(key));
}
void Fill(StdMap* map, const std::vector<int32_t>& keys) {
  for (int32_t key : keys) map->insert_or_assign(key, ValueOf(key));
}
void* Lookup(const CHashtable& table, int32_t key) { return table.Get(key); }
void* Lookup(const StdMap& map, int32_t key) {
  auto found = map.find(key);
  return found == map.end() ? nullptr : found->second;
}
void Erase(CHashtable* table, int32_t key) { table->Remove(key); }
void Erase(StdMap* map, int32_t key) { map->erase(key); }
uintptr_t SumValues(CHashtable* table) {
  uintptr_t sum = 0;
  CHtEnumerator cursor(table);
  while (void* value = cursor.NextElement()) sum += reinterpret_cast<uintptr_t>(value);
  return sum;
}
uintptr_t SumValues(StdMap* map) {
  uintptr_t sum = 0;
  for (const auto& entry : *map) sum += reinterpret_cast<uintptr_t>(entry.second);
  return sum;
}

template <typename Table>
void BM_Put(benchmark::State& state) {
  const auto& keys = Keys(state.range(0)).present;
  for (auto _ : state) {
    auto* table = new Table();
    Fill(table, keys);
    benchmark::DoNotOptimize(table);
    state.PauseTiming();
    delete table;
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

template <typename Table, bool kHits>
void BM_Get(benchmark::State& state) {
  const KeySet& keys = Keys(state.range(0));
  Table table;
  Fill(&table, keys.present);
  const std::vector<int32_t> order = Shuffled(kHits ? keys.present : keys.absent);
  for (auto _ : state) {
    uintptr_t found = 0;
    for (int32_t key : order) found += reinterpret_cast<uintptr_t>(Lookup(table, key));
    benchmark::DoNotOptimize(found);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

template <typename Table>
void BM_Remove(benchmark::State& state) {
  const auto& keys = Keys(state.range(0)).present;
  const std::vector<int32_t> order = Shuffled(keys);
  for (auto _ : state) {
    state.PauseTiming();
    auto* table = new Table();
    Fill(table, keys);
    state.ResumeTiming();
    for (int32_t key : order) Erase(table, key);
    benchmark::DoNotOptimize(table);
    state.PauseTiming();
    delete table;
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

template <typename Table>
void BM_Enumerate(benchmark::State& state) {
  Table table;
  Fill(&table, Keys(state.range(0)).present);
  for (auto _ : state) benchmark::DoNotOptimize(SumValues(&table));
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

#define TABLE_PAIR(name, ...)                                         \
  BENCHMARK_TEMPLATE(name, CHashtable, ##__VA_ARGS__)->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond); \
  BENCHMARK_TEMPLATE(name, StdMap, ##__VA_ARGS__)->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond)

TABLE_PAIR(BM_Put);
TABLE_PAIR(BM_Get, true);
TABLE_PAIR(BM_Get, false);
TABLE_PAIR(BM_Remove);
TABLE_PAIR(BM_Enumerate);

void BM_UVectorAppend(benchmark::State& state) {
  const auto count = static_cast<uint32_t>(state.range(0));
  for (auto _ : state) {
    UVector vector;
    for (uint32_t i = 0; i < count; ++i) vector.AddElement(i);
    benchmark::DoNotOptimize(vector.GetArray());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
void BM_StdVectorAppend(benchmark::State& state) {
  const auto count = static_cast<uint32_t>(state.range(0));
  for (auto _ : state) {
    std::vector<uint32_t> vector;
    for (uint32_t i = 0; i < count; ++i) vector.push_back(i);
    benchmark::DoNotOptimize(vector.data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_UVectorAppend)->Arg(1000)->Arg(100000)->Arg(1000000);
BENCHMARK(BM_StdVectorAppend)->Arg(1000)->Arg(100000)->Arg(1000000);

// A parameter-like name of the given length: letters, digits and dots.
std::string Name(int64_t length) {
  static const char kAlphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789._";
  std::string name;
  for (int64_t i = 0; i < length; ++i) name.push_back(kAlphabet[(i * 7 + 3) % 64]);
  return name;
}

// The straightforward way: a fresh UTF-16 copy of the name, then its hash.
int32_t ConvertThenHash(const char* text) {
  std::u16string wide;
  while (*text != '\0') {
    vem::Utf16Units units;
    text = vem::DecodeUtf8Sequence(text, nullptr, &units);
    wide.append(reinterpret_cast<const char16_t*>(units.unit), units.count);
  }
  return GenerateID(reinterpret_cast<const VemWChar*>(wide.c_str()));
}

void BM_GenerateIDNarrow(benchmark::State& state) {
  const std::string name = Name(state.range(0));
  for (auto _ : state) {
    const char* text = name.c_str();
    benchmark::DoNotOptimize(text);
    benchmark::DoNotOptimize(GenerateID(text));
  }
  state.SetItemsProcessed(state.iterations());
}
void BM_ConvertThenHash(benchmark::State& state) {
  const std::string name = Name(state.range(0));
  for (auto _ : state) {
    const char* text = name.c_str();
    benchmark::DoNotOptimize(text);
    benchmark::DoNotOptimize(ConvertThenHash(text));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GenerateIDNarrow)->Arg(8)->Arg(32)->Arg(256);
BENCHMARK(BM_ConvertThenHash)->Arg(8)->Arg(32)->Arg(256);

}  // namespace

BENCHMARK_MAIN();
