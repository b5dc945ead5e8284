// CHashtable, THashtable and CHtEnumerator against HashtableModel, over keys
// that share a bucket, differ only in bit 31 or are the extremes. After every
// step the results, the size, the bucket count and the enumeration order
// must match the model's.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

#include "VemContainers.h"
#include "tests/models/hashtable_model.h"
#include "tests/models/op_stream.h"

namespace vem_test {
namespace {

struct Table : THashtable<int> {
  using THashtable::THashtable;
  int32_t Capacity() const { return m_capacity; }
};

int32_t PickKey(OpStream& in, int32_t capacity) {
  switch (in.Range(0, 4)) {
    case 0: return in.Range(-4, 12);
    case 1: return in.Range(0, 4) + capacity * in.Range(1, 3);
    case 2: return static_cast<int32_t>(0x80000000u | static_cast<uint32_t>(in.Range(0, 8)));
    case 3: return in.Pick({std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(), -1});
    default: return static_cast<int32_t>(in.Bits32());
  }
}

// A walk handing out each entry one of three ways, removing some on the
// way; a copy of the cursor taken on the way finishes the same walk.
void CheckWalk(OpStream& in, Table& table, HashtableModel& model) {
  const std::vector<HashtableModel::Entry> expected = model.Enumerate();
  const size_t copy_at = static_cast<size_t>(in.Range(0, static_cast<int32_t>(expected.size())));
  CHtEnumerator cursor(nullptr);
  MODEL_CHECK(!cursor.HasMoreElements() && cursor.NextEntry() == nullptr);
  cursor.Reset(&table);
  std::unique_ptr<CHtEnumerator> copy;
  for (size_t i = 0; i < expected.size(); ++i) {
    if (i == copy_at) copy = std::make_unique<CHtEnumerator>(cursor);
    const int32_t key = expected[i].first;
    HashtableEntry* entry = nullptr;
    int32_t seen = key;
    switch (in.Range(0, 2)) {
      case 0: MODEL_CHECK((entry = cursor.NextEntry()) != nullptr && entry->value == expected[i].second); break;
      case 1: MODEL_CHECK(cursor.HasMoreElements() && cursor.NextElement() == expected[i].second); break;
      default: MODEL_CHECK(cursor.NextElement(&seen) == expected[i].second);
    }
    MODEL_CHECK((entry == nullptr || entry->key == key) && seen == key);
    if (copy) MODEL_CHECK(copy->NextElement() == expected[i].second);
    if (in.Bool()) MODEL_CHECK(table.Remove(key) == model.Remove(key));
  }
  int32_t key = 0;
  MODEL_CHECK(!cursor.HasMoreElements() && cursor.NextElement(&key) == nullptr && (!copy || !copy->HasMoreElements()));
}

void CheckSame(Table& table, const HashtableModel& model) {
  MODEL_CHECK(table.Size() == model.count && table.Capacity() == static_cast<int32_t>(model.buckets.size()));
  CHtEnumerator cursor(&table);
  int32_t key = 0;
  for (const HashtableModel::Entry& e : model.Enumerate())
    MODEL_CHECK(cursor.NextElement(&key) == e.second && key == e.first);
  MODEL_CHECK(!cursor.HasMoreElements() && cursor.NextElement() == nullptr);
}

}  // namespace

void RunHashtable(OpStream& in) {
  const int32_t capacity = in.Pick({1, 2, 3, 7, 10, 151});
  const float load_factor = in.Pick({0.1f, 0.5f, 0.75f, 1.0f, 2.0f, 3.5f});
  Table table(capacity, load_factor);
  HashtableModel model(capacity, load_factor);
  for (int step = 0; step < 256 && in.More(); ++step) {
    const int32_t key = PickKey(in, capacity);
    int* value = Token<int>(in.Range(0, 20));
    switch (in.Range(0, 8)) {
      case 3:
        MODEL_CHECK(table.Get(key) == model.Get(key) && table.ContainsKey(key) == (model.Get(key) != nullptr));
        break;
      case 4: MODEL_CHECK(table.Remove(key) == model.Remove(key)); break;
      case 5: {  // the first key holding the value, in enumeration order
        const std::vector<HashtableModel::Entry> order = model.Enumerate();
        const auto held = std::find_if(order.begin(), order.end(), [value](const HashtableModel::Entry& e) {
          return value != nullptr && e.second == value;
        });
        int32_t found = 12345;
        MODEL_CHECK(table.GetKey(value, &found) == (held != order.end()) &&
                    table.Contains(value) == (held != order.end()));
        MODEL_CHECK(found == (held != order.end() ? held->first : 12345));
        break;
      }
      case 6:
        if (in.Range(0, 7) == 0)
          table.Clear(), model = HashtableModel(static_cast<int32_t>(model.buckets.size()), load_factor);
        break;
      case 7: CheckWalk(in, table, model); break;
      case 8: {  // a copy has the same order and a life of its own
        Table copy(table);
        HashtableModel copy_model = model;
        MODEL_CHECK(copy.Put(key, Token<int>(22)) == copy_model.Put(key, Token<int>(22)));
        CheckSame(copy, copy_model);
        CheckSame(table, model);
        if (in.Bool()) table = copy, model = copy_model;
        break;
      }
      default: MODEL_CHECK(table.Put(key, value) == model.Put(key, value));
    }
    CheckSame(table, model);
  }
}

}  // namespace vem_test
