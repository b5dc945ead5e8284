// Containers side by side with the standard library, in one run:
//   CHashtable Put, Get (hits, misses), Remove and full enumeration against
//   std::unordered_map<int32_t, void*>, at 1e3, 1e5 and 1e6 random keys; Get
//   also forced out of line, with the bucket found through a reciprocal, and
//   on a table with the standard map's bucket count, to show what each costs,
//   and enumeration of such a table and of a copy of the table too;
//   UVector::AddElement against std::vector<uint32_t>::push_back;
//   the narrow GenerateID of 8-, 32- and 256-byte names against converting
//   the name into a new UTF-16 buffer and hashing that.
// Every benchmark reports items per second; compare a pair's figures.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "VemContainers.h"
#include "text/utf8_decoder.h"

namespace {

// Distinct pseudo-random keys without a set to check them: key i is a
// bijection of i (multiplications by odd constants and xor-shifts are
// invertible on 32 bits), so keys 0..n-1 are present and n..2n-1 absent.
// Nothing is allocated and freed on the way, so the tables below are laid out
// on a heap that no earlier structure has fragmented.
int32_t KeyNumber(uint32_t i) {
  uint32_t x = i * 0x9E3779B1u;
  x ^= x >> 16;
  x *= 0x85EBCA6Bu;
  x ^= x >> 13;
  return static_cast<int32_t>(x);
}

std::vector<int32_t> KeyRange(uint32_t first, uint32_t count) {
  std::vector<int32_t> keys(count);
  for (uint32_t i = 0; i < count; ++i) keys[i] = KeyNumber(first + i);
  return keys;
}

// Lookups visit the keys in an order unrelated to insertion.
std::vector<int32_t> Shuffled(std::vector<int32_t> keys) {
  std::shuffle(keys.begin(), keys.end(), std::mt19937(7));
  return keys;
}

void* ValueOf(int32_t key) { return reinterpret_cast<void*>(static_cast<uintptr_t>(static_cast<uint32_t>(key)) | 1u); }

using StdMap = std::unordered_map<int32_t, void*>;

void Fill(CHashtable* table, const std::vector<int32_t>& keys) {
  for (int32_t key : keys) table->Put(key, ValueOf(key));
}
void Fill(StdMap* map, const std::vector<int32_t>& keys) {
  for (int32_t key : keys) map->insert_or_assign(key, ValueOf(key));
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

// The lookup under test, one per kind of table.
struct InlineGet {  // CHashtable::Get as callers compile it
  static void* Find(const CHashtable& table, int32_t key) { return table.Get(key); }
};
struct OutOfLineGet {  // the same lookup behind a call, as before it was inline
  __attribute__((noinline)) static void* Find(const CHashtable& table, int32_t key) { return table.Get(key); }
};
// The same chain walk with the bucket found by an exact remainder through a
// stored 64-bit reciprocal (two multiplications; Lemire, Kaser and Kurz,
// "Faster Remainder by Direct Computation", 2019) instead of a division.
class ReciprocalGet : public CHashtable {
 public:
  static void* Find(const CHashtable& table, int32_t key) {
    const auto& probe = static_cast<const ReciprocalGet&>(table);
    const uint32_t count = static_cast<uint32_t>(probe.m_capacity);
    // Loop-invariant, like a reciprocal read from beside the bucket array:
    // the compiler computes it once per loop, so only the two
    // multiplications are paid per lookup.
    const uint64_t reciprocal = UINT64_MAX / count + 1;
    const uint64_t fraction = reciprocal * (static_cast<uint32_t>(key) & 0x7FFFFFFFu);
    const auto bucket = static_cast<uint32_t>((static_cast<unsigned __int128>(fraction) * count) >> 64);
    for (const HashtableEntry* entry = probe.m_table[bucket]; entry != nullptr; entry = entry->next) {
      if (entry->key == key) return entry->value;
    }
    return nullptr;
  }
};
// CHashtable::Get on a table given the standard map's bucket count and load
// factor instead of the growth rule's: shows what the larger bucket array of
// the rule costs.
struct GetSizedLikeStd : InlineGet {};
struct StdFind {
  static void* Find(const StdMap& map, int32_t key) {
    auto found = map.find(key);
    return found == map.end() ? nullptr : found->second;
  }
};

// One table of each kind per size, filled with the same keys in the same
// order before anything is timed, and shared by every run and repetition:
// the runs of both sides can be interleaved in any order and still find the
// same memory.
struct LookupTables {
  explicit LookupTables(uint32_t count) : hits(Shuffled(KeyRange(0, count))), misses(Shuffled(KeyRange(count, count))) {
    const std::vector<int32_t> keys = KeyRange(0, count);
    Fill(&ours, keys);
    Fill(&theirs, keys);
    sized = std::make_unique<CHashtable>(static_cast<int32_t>(theirs.bucket_count()), theirs.max_load_factor());
    Fill(sized.get(), keys);
  }
  const CHashtable& Of(const InlineGet*) const { return ours; }
  const CHashtable& Of(const OutOfLineGet*) const { return ours; }
  const CHashtable& Of(const ReciprocalGet*) const { return ours; }
  const CHashtable& Of(const GetSizedLikeStd*) const { return *sized; }
  const StdMap& Of(const StdFind*) const { return theirs; }

  CHashtable ours;
  StdMap theirs;
  std::unique_ptr<CHashtable> sized;
  std::vector<int32_t> hits, misses;
};

const LookupTables& TablesOf(int64_t count) {
  static std::map<int64_t, std::unique_ptr<LookupTables>> built;
  std::unique_ptr<LookupTables>& tables = built[count];
  if (!tables) tables = std::make_unique<LookupTables>(static_cast<uint32_t>(count));
  return *tables;
}

// A user's loop: independent lookups over a shuffled key list. Nothing but
// the sum depends on a result, so the processor may overlap as many lookups
// as the code between them leaves room for.
template <typename Lookup, bool kHits>
void BM_Get(benchmark::State& state) {
  const LookupTables& tables = TablesOf(state.range(0));
  const auto& table = tables.Of(static_cast<const Lookup*>(nullptr));
  const std::vector<int32_t>& order = kHits ? tables.hits : tables.misses;
  for (auto _ : state) {
    uintptr_t found = 0;
    for (int32_t key : order) found += reinterpret_cast<uintptr_t>(Lookup::Find(table, key));
    benchmark::DoNotOptimize(found);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

const std::vector<int32_t>& Keys(int64_t count) {
  static std::map<int64_t, std::vector<int32_t>> cache;
  std::vector<int32_t>& keys = cache[count];
  if (keys.empty()) keys = KeyRange(0, static_cast<uint32_t>(count));
  return keys;
}

template <typename Table>
void BM_Put(benchmark::State& state) {
  const auto& keys = Keys(state.range(0));
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

template <typename Table>
void BM_Remove(benchmark::State& state) {
  const auto& keys = Keys(state.range(0));
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

// Full enumerations of a table of state.range(0) keys.
template <typename Table>
void TimeEnumeration(benchmark::State& state, Table* table) {
  for (auto _ : state) benchmark::DoNotOptimize(SumValues(table));
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

template <typename Table>
void BM_Enumerate(benchmark::State& state) {
  Table table;
  Fill(&table, Keys(state.range(0)));
  TimeEnumeration(state, &table);
}

// Enumeration of a CHashtable given the standard map's bucket count and load
// factor instead of the growth rule's: shows what scanning the rule's larger
// bucket array costs.
void BM_EnumerateSizedLikeStd(benchmark::State& state) {
  StdMap reference;
  Fill(&reference, Keys(state.range(0)));
  CHashtable table(static_cast<int32_t>(reference.bucket_count()), reference.max_load_factor());
  Fill(&table, Keys(state.range(0)));
  TimeEnumeration(state, &table);
}

// Enumeration of a copy of the table: the copy allocates its entries one
// after another in enumeration order (mirrored), as the standard map's nodes
// lie for its list walk, so beside BM_Enumerate it shows what reaching
// entries scattered by insertion order costs the walk.
void BM_EnumerateCopy(benchmark::State& state) {
  CHashtable filled;
  Fill(&filled, Keys(state.range(0)));
  CHashtable table(filled);
  TimeEnumeration(state, &table);
}

#define TABLE_PAIR(name, ...)                         \
  BENCHMARK_TEMPLATE(name, CHashtable, ##__VA_ARGS__) \
      ->Arg(1000)                                     \
      ->Arg(100000)                                   \
      ->Arg(1000000)                                  \
      ->Unit(benchmark::kMicrosecond);                \
  BENCHMARK_TEMPLATE(name, StdMap, ##__VA_ARGS__)->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond)

#define LOOKUP(name, ...) \
  BENCHMARK_TEMPLATE(name, __VA_ARGS__)->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond)

TABLE_PAIR(BM_Put);
LOOKUP(BM_Get, InlineGet, true);
LOOKUP(BM_Get, StdFind, true);
LOOKUP(BM_Get, OutOfLineGet, true);
LOOKUP(BM_Get, ReciprocalGet, true);
LOOKUP(BM_Get, GetSizedLikeStd, true);
LOOKUP(BM_Get, InlineGet, false);
LOOKUP(BM_Get, StdFind, false);
LOOKUP(BM_Get, OutOfLineGet, false);
LOOKUP(BM_Get, ReciprocalGet, false);
LOOKUP(BM_Get, GetSizedLikeStd, false);
TABLE_PAIR(BM_Remove);
TABLE_PAIR(BM_Enumerate);
BENCHMARK(BM_EnumerateSizedLikeStd)->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EnumerateCopy)->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

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
