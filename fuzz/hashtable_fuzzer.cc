// Differential fuzzer: CHashtable and CHtEnumerator against HashtableModel.
// The input picks the table's bucket count and load factor, then a sequence
// of operations over a small pool of keys (including keys that share a
// bucket or differ only in bit 31) and of value tokens. After every step the
// results, the size, the bucket count and the enumeration order must match.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

#include "VemContainers.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/hashtable_model.h"

namespace {

using vem_fuzz::HashtableModel;

class ProbedTable : public CHashtable {
 public:
  ProbedTable(int32_t capacity, float loadFactor)
      : CHashtable(capacity, loadFactor) {}
  ProbedTable(const ProbedTable&) = default;
  ProbedTable& operator=(const ProbedTable&) = default;
  int32_t Capacity() const { return m_capacity; }
};

// Distinct non-null value pointers, never dereferenced; token 0 is null.
void* Token(unsigned n) {
  return n == 0 ? nullptr : reinterpret_cast<void*>(uintptr_t{0x1000} + 16 * n);
}

int32_t PickKey(FuzzedDataProvider& in, int32_t capacity) {
  switch (in.ConsumeIntegralInRange(0, 5)) {
    case 0:
      return in.ConsumeIntegralInRange<int32_t>(-4, 12);
    case 1:  // same bucket as a small key at the initial bucket count
      return in.ConsumeIntegralInRange<int32_t>(0, 4) +
             capacity * in.ConsumeIntegralInRange<int32_t>(1, 3);
    case 2:  // differs from a small key in bit 31 only
      return static_cast<int32_t>(0x80000000u |
                                  in.ConsumeIntegralInRange<uint32_t>(0, 8));
    case 3:
      return in.PickValueInArray({std::numeric_limits<int32_t>::min(),
                                  std::numeric_limits<int32_t>::max(), -1});
    default:
      return in.ConsumeIntegral<int32_t>();
  }
}

void CheckSame(CHashtable& table, int32_t capacity, const HashtableModel& model) {
  FUZZ_CHECK(table.Size() == model.Size());
  FUZZ_CHECK(capacity == model.Capacity());
  std::vector<HashtableModel::Entry> expected = model.Enumerate();
  CHtEnumerator cursor(&table);
  size_t i = 0;
  int32_t key = 0;
  while (void* value = cursor.NextElement(&key)) {
    FUZZ_CHECK(i < expected.size());
    FUZZ_CHECK(key == expected[i].first && value == expected[i].second);
    ++i;
  }
  FUZZ_CHECK(i == expected.size());
  FUZZ_CHECK(!cursor.HasMoreElements() && cursor.NextEntry() == nullptr);
}

// Walks the table, mixing the three kinds of step and HasMoreElements, and
// removes the entry just handed out where the input says so.
void EnumerateAndRemove(FuzzedDataProvider& in, CHashtable& table,
                        HashtableModel& model) {
  std::vector<HashtableModel::Entry> expected = model.Enumerate();
  CHtEnumerator cursor(&table);
  for (const HashtableModel::Entry& e : expected) {
    if (in.ConsumeBool()) FUZZ_CHECK(cursor.HasMoreElements());
    int32_t key = ~e.first;  // overwritten by every kind of step
    switch (in.ConsumeIntegralInRange(0, 2)) {
      case 0: {
        HashtableEntry* entry = cursor.NextEntry();
        FUZZ_CHECK(entry != nullptr);
        key = entry->key;
        FUZZ_CHECK(entry->value == e.second);
        break;
      }
      case 1:
        FUZZ_CHECK(cursor.NextElement(&key) == e.second);
        break;
      default:
        FUZZ_CHECK(cursor.NextElement() == e.second);
        key = e.first;
        break;
    }
    FUZZ_CHECK(key == e.first);
    if (in.ConsumeBool()) {
      FUZZ_CHECK(table.Remove(key) == model.Remove(key));
    }
  }
  FUZZ_CHECK(!cursor.HasMoreElements());
  FUZZ_CHECK(cursor.NextElement() == nullptr);
}

// Hands out part of the table, replaces values of keys (seen or not yet
// seen), copies the cursor, and checks that both copies finish the walk with
// the current values.
void EnumerateWhileReplacing(FuzzedDataProvider& in, CHashtable& table,
                             HashtableModel& model) {
  std::vector<HashtableModel::Entry> before = model.Enumerate();
  CHtEnumerator cursor(&table);
  const size_t stop = in.ConsumeIntegralInRange<size_t>(0, before.size());
  for (size_t i = 0; i < stop; ++i) {
    FUZZ_CHECK(cursor.NextElement() == before[i].second);
  }
  for (const HashtableModel::Entry& e : before) {
    if (in.ConsumeBool()) {
      void* value = Token(in.ConsumeIntegralInRange(1u, 20u));
      FUZZ_CHECK(table.Put(e.first, value) == model.Put(e.first, value));
    }
  }
  CHtEnumerator copy = cursor;
  for (size_t i = stop; i < before.size(); ++i) {
    int32_t key = 0;
    void* expected = model.Get(before[i].first);
    FUZZ_CHECK(cursor.NextElement(&key) == expected && key == before[i].first);
    FUZZ_CHECK(copy.NextElement() == expected);
  }
  FUZZ_CHECK(!cursor.HasMoreElements() && !copy.HasMoreElements());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const int32_t capacity = in.PickValueInArray({1, 2, 3, 7, 10, 151});
  const float loadFactor = in.PickValueInArray({0.1f, 0.5f, 0.75f, 1.0f, 2.0f, 3.5f});
  auto table = std::make_unique<ProbedTable>(capacity, loadFactor);
  HashtableModel model(capacity, loadFactor);

  for (int step = 0; step < 256 && in.remaining_bytes() > 0; ++step) {
    const int32_t key = PickKey(in, capacity);
    void* value = Token(in.ConsumeIntegralInRange(0u, 20u));
    switch (in.ConsumeIntegralInRange(0, 11)) {
      case 0:
      case 1:
      case 2:
        FUZZ_CHECK(table->Put(key, value) == model.Put(key, value));
        break;
      case 3:
        FUZZ_CHECK(table->Get(key) == model.Get(key));
        FUZZ_CHECK(table->ContainsKey(key) == (model.Get(key) != nullptr));
        break;
      case 4:
        FUZZ_CHECK(table->Remove(key) == model.Remove(key));
        break;
      case 5: {
        int32_t found = 12345, expected = 12345;
        FUZZ_CHECK(table->GetKey(value, &found) == model.GetKey(value, &expected));
        FUZZ_CHECK(found == expected);
        FUZZ_CHECK(table->Contains(value) == model.GetKey(value, &expected));
        break;
      }
      case 6:
        if (in.ConsumeIntegralInRange(0, 7) == 0) {
          table->Clear();
          model.Clear();
        }
        break;
      case 7:
        EnumerateAndRemove(in, *table, model);
        break;
      case 8:
        EnumerateWhileReplacing(in, *table, model);
        break;
      case 9: {
        // A copy is an independent table with the same order: changing it
        // leaves the source alone, and assigning it back takes its state.
        ProbedTable copy(*table);
        HashtableModel copyModel = model;
        CheckSame(copy, copy.Capacity(), copyModel);
        const int32_t removed = PickKey(in, capacity);
        FUZZ_CHECK(copy.Put(key, Token(21)) == copyModel.Put(key, Token(21)));
        FUZZ_CHECK(copy.Remove(removed) == copyModel.Remove(removed));
        CheckSame(copy, copy.Capacity(), copyModel);
        CheckSame(*table, table->Capacity(), model);
        if (in.ConsumeBool()) {
          *table = copy;
          model = copyModel;
        }
        break;
      }
      case 10: {
        CHtEnumerator empty(nullptr);
        FUZZ_CHECK(!empty.HasMoreElements() && empty.NextElement() == nullptr);
        break;
      }
      default:
        break;
    }
    CheckSame(*table, table->Capacity(), model);
  }
  return 0;
}
