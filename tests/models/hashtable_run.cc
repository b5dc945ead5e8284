// CHashtable, THashtable and CHtEnumerator against HashtableModel. The run
// picks a bucket count and load factor, then operations over a small pool of
// keys (keys that share a bucket, keys that differ only in bit 31, the
// extremes); after every step the results, the size, the bucket count and
// the enumeration order must match the model.
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

#include "VemContainers.h"
#include "tests/models/hashtable_model.h"
#include "tests/models/op_stream.h"

namespace vem_test {
namespace {

class ProbedTable : public THashtable<int> {
 public:
  ProbedTable(int32_t capacity, float load_factor) : THashtable(capacity, load_factor) {}
  int32_t Capacity() const { return m_capacity; }
};

// Distinct non-null values, never dereferenced; token 0 is null.
int* Token(int32_t n) {
  return n == 0 ? nullptr : reinterpret_cast<int*>(uintptr_t{0x1000} + 16 * static_cast<uintptr_t>(n));
}

int32_t PickKey(OpStream& in, int32_t capacity) {
  switch (in.Range(0, 4)) {
    case 0: return in.Range(-4, 12);
    case 1: return in.Range(0, 4) + capacity * in.Range(1, 3);  // a shared bucket
    case 2: return static_cast<int32_t>(0x80000000u | static_cast<uint32_t>(in.Range(0, 8)));
    case 3: return in.Pick({std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(), -1});
    default: return static_cast<int32_t>(in.Bits32());
  }
}

void CheckSame(ProbedTable& table, const HashtableModel& model) {
  MODEL_CHECK(table.Size() == model.Size());
  MODEL_CHECK(table.Capacity() == model.Capacity());
  CHtEnumerator cursor(&table);
  int32_t key = 0;
  for (const HashtableModel::Entry& e : model.Enumerate()) {
    MODEL_CHECK(cursor.NextElement(&key) == e.second && key == e.first);
  }
  MODEL_CHECK(!cursor.HasMoreElements() && cursor.NextEntry() == nullptr);
  MODEL_CHECK(cursor.NextElement(&key) == nullptr && !cursor.HasMoreElements());
}

// Walks the table mixing the three kinds of step with HasMoreElements,
// removing the entry just handed out, or replacing values, where the run
// says so; a copy of the cursor taken halfway finishes the same walk.
void Enumerate(OpStream& in, ProbedTable& table, HashtableModel& model) {
  const std::vector<HashtableModel::Entry> expected = model.Enumerate();
  const bool removing = in.Bool();
  const size_t copyAt = static_cast<size_t>(in.Range(0, static_cast<int32_t>(expected.size())));
  CHtEnumerator cursor(nullptr);
  MODEL_CHECK(!cursor.HasMoreElements() && cursor.NextElement() == nullptr);
  cursor.Reset(&table);
  std::unique_ptr<CHtEnumerator> copy;
  for (size_t i = 0; i < expected.size(); ++i) {
    if (i == copyAt) copy.reset(new CHtEnumerator(cursor));
    const int32_t key = expected[i].first;
    void* value = model.Get(key);
    if (in.Bool()) MODEL_CHECK(cursor.HasMoreElements());
    int32_t seen = ~key;
    switch (in.Range(0, 2)) {
      case 0: {
        HashtableEntry* entry = cursor.NextEntry();
        MODEL_CHECK(entry != nullptr && entry->value == value);
        seen = entry->key;
        break;
      }
      case 1: MODEL_CHECK(cursor.NextElement(&seen) == value); break;
      default:
        MODEL_CHECK(cursor.NextElement() == value);
        seen = key;
        break;
    }
    MODEL_CHECK(seen == key);
    if (copy) MODEL_CHECK(copy->NextElement() == value);
    if (removing && in.Bool()) {
      MODEL_CHECK(table.Remove(key) == model.Remove(key));
    } else if (!removing && in.Bool()) {  // a later entry, not yet visited
      const int32_t later =
          expected[static_cast<size_t>(in.Range(static_cast<int32_t>(i), static_cast<int32_t>(expected.size()) - 1))]
              .first;
      int* token = Token(in.Range(1, 20));
      MODEL_CHECK(table.Put(later, token) == model.Put(later, token));
    }
  }
  MODEL_CHECK(!cursor.HasMoreElements() && (!copy || !copy->HasMoreElements()));
}

}  // namespace

void RunHashtable(OpStream& in) {
  const int32_t capacity = in.Pick({1, 2, 3, 7, 10, 151});
  const float load_factor = in.Pick({0.1f, 0.5f, 0.75f, 1.0f, 2.0f, 3.5f});
  auto table = std::make_unique<ProbedTable>(capacity, load_factor);
  HashtableModel model(capacity, load_factor);
  for (int step = 0; step < 256 && in.More(); ++step) {
    const int32_t key = PickKey(in, capacity);
    int* value = Token(in.Range(0, 20));
    switch (in.Range(0, 8)) {
      case 0:
      case 1:
      case 2: MODEL_CHECK(table->Put(key, value) == model.Put(key, value)); break;
      case 3:
        MODEL_CHECK(table->Get(key) == model.Get(key));
        MODEL_CHECK(table->ContainsKey(key) == (model.Get(key) != nullptr));
        break;
      case 4: MODEL_CHECK(table->Remove(key) == model.Remove(key)); break;
      case 5: {
        int32_t found = 12345, expected = 12345;
        MODEL_CHECK(table->GetKey(value, &found) == model.GetKey(value, &expected));
        MODEL_CHECK(found == expected && table->Contains(value) == model.GetKey(value, &expected));
        break;
      }
      case 6:
        if (in.Range(0, 7) == 0) {
          table->Clear();
          model.Clear();
        }
        break;
      case 7: Enumerate(in, *table, model); break;
      default: {
        // A copy is a table of its own with the same order; assigning it
        // back hands over its state.
        ProbedTable copy(*table);
        HashtableModel copyModel = model;
        CheckSame(copy, copyModel);
        MODEL_CHECK(copy.Put(key, Token(21)) == copyModel.Put(key, Token(21)));
        const int32_t removed = PickKey(in, capacity);
        MODEL_CHECK(copy.Remove(removed) == copyModel.Remove(removed));
        CheckSame(copy, copyModel);
        CheckSame(*table, model);
        if (in.Bool()) {
          *table = copy;
          model = copyModel;
        }
        break;
      }
    }
    CheckSame(*table, model);
  }
}

}  // namespace vem_test
