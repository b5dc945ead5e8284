// The containers against plain models of their rules, after every step of a
// run of operations that the stream picks.
//
// CHashtable, THashtable and CHtEnumerator against HashtableModel, over keys
// that share a bucket, differ only in bit 31 or are the extremes: the
// results, the size, the bucket count and the enumeration order must match.
//
// UVector and TVector (an OVector) against a model of their storage: the
// slots (none until the first allocation), the capacity, the last index and
// the growth factor, changed as the vectors' rules state: the size, the
// capacity, the growth factor and every slot must match.
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
  const int32_t near = in.Range(-4, 12) + capacity * in.Range(0, 2);
  return in.Pick({near, static_cast<int32_t>(0x80000000u | static_cast<uint32_t>(near)),
                  std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(),
                  static_cast<int32_t>(in.Bits32())});
}

// The size, the bucket count and the enumeration order must be the model's.
// The walk hands each entry out as an entry or as a value with its key, and
// removes some on the way (the entry handed out last may go); a copy of the
// cursor taken on the way finishes the same walk. Without input it removes
// nothing, and the copy walks the whole table.
void CheckWalk(OpStream& in, Table& table, HashtableModel& model) {
  MODEL_CHECK(table.Size() == model.count && table.Capacity() == static_cast<int32_t>(model.buckets.size()));
  const std::vector<HashtableModel::Entry> expected = model.Enumerate();
  const size_t copy_at = static_cast<size_t>(in.Range(0, static_cast<int32_t>(expected.size())));
  CHtEnumerator cursor(nullptr);
  MODEL_CHECK(!cursor.HasMoreElements() && cursor.NextEntry() == nullptr);
  cursor.Reset(&table);
  std::unique_ptr<CHtEnumerator> copy;
  for (size_t i = 0; i < expected.size(); ++i) {
    if (i == copy_at) copy = std::make_unique<CHtEnumerator>(cursor);
    const auto [key, value] = expected[i];
    const bool as_entry = in.Bool();
    const HashtableEntry* entry = as_entry ? cursor.NextEntry() : nullptr;
    int32_t seen = entry != nullptr ? entry->key : ~key;
    MODEL_CHECK(as_entry == (entry != nullptr) && (as_entry ? entry->value : cursor.NextElement(&seen)) == value);
    MODEL_CHECK(seen == key && (copy == nullptr || (copy->HasMoreElements() && copy->NextElement() == value)));
    if (in.Bool()) MODEL_CHECK(table.Remove(key) == model.Remove(key));
  }
  int32_t key = 0;
  MODEL_CHECK(!cursor.HasMoreElements() && cursor.NextElement(&key) == nullptr && (!copy || !copy->HasMoreElements()));
}

void CheckSame(Table& table, HashtableModel& model) {
  OpStream none(nullptr, 0);
  CheckWalk(none, table, model);
}

template <typename Element>
struct Model {
  std::vector<Element> slots;
  bool has_storage;
  int32_t capacity, last;
  float grow_factor;
  bool nulls_vacated;  // a removal zeroes the slot the last element leaves (OVector), or not (UVector)

  int32_t Size() const { return last + 1; }
  bool InRange(int32_t i) const { return i >= 0 && i <= last; }
  void Allocate(int32_t slot_count) {
    capacity = slot_count;
    slots.resize(static_cast<size_t>(slot_count));
    has_storage = true;
  }
  void Add(Element e) {
    const float step = static_cast<float>(capacity) * grow_factor;  // below one slot: one
    if (!has_storage)
      Allocate(std::max(capacity, 1));
    else if (last == capacity - 1)
      Allocate(capacity + (step >= 1.0f ? static_cast<int32_t>(step) : 1));
    slots[static_cast<size_t>(++last)] = e;
  }
  void Append(const Model& source) {
    for (int32_t i = 0; i < source.Size(); ++i) Add(source.slots[static_cast<size_t>(i)]);
  }
  void Resize(int32_t size) {
    size = std::max(size, 0);
    if (!has_storage || size > capacity) Allocate(size);
    std::fill(slots.begin() + size, slots.end(), Element());
    last = size - 1;
  }
  void Remove(int32_t i) {
    if (!InRange(i)) return;
    std::copy(slots.begin() + i + 1, slots.begin() + last + 1, slots.begin() + i);
    if (nulls_vacated) slots[static_cast<size_t>(last)] = Element();
    --last;
  }
  int32_t Find(Element e) const {
    const auto at = std::find(slots.begin(), slots.begin() + Size(), e);
    return at == slots.begin() + Size() ? -1 : static_cast<int32_t>(at - slots.begin());
  }
};

template <typename Vector>
struct Probed : Vector {
  using Vector::Vector;
  template <typename Element>
  void CheckSame(const Model<Element>& model) {
    MODEL_CHECK(this->GetSize() == model.Size() && this->m_capacity == model.capacity);
    MODEL_CHECK((this->GetArray() != nullptr) == model.has_storage);
    MODEL_CHECK(std::equal(model.slots.begin(), model.slots.end(), this->GetArray()));
  }
};

float PickGrowFactor(OpStream& in) {
  return in.Pick({0.5f, 1.0f, 0.01f, 2.5f, 0.0f, -1.0f, std::numeric_limits<float>::quiet_NaN()});
}

// make gives the elements from 0 to 7; GetElement answers out_of_range
// outside the elements. Appending at most doubles the size; the cap keeps
// runs to a few thousand slots.
template <typename Vector, typename Element>
void Run(OpStream& in, bool nulls_vacated, Element out_of_range, Element (*make)(int32_t)) {
  const float grow_factor = PickGrowFactor(in);
  const int32_t capacity = in.Pick({16, 0, 1, 2, 4, 100});
  Probed<Vector> vector(grow_factor, capacity);
  Model<Element> model{{}, false, capacity, -1, grow_factor, nulls_vacated};
  for (int step = 0; step < 200 && in.More(); ++step) {
    const Element element = make(in.Range(0, 7));
    const int32_t index = in.Range(-2, model.Size() + 1);
    switch (in.Range(0, 15)) {
      case 4:  // a vector appended to itself gains one copy
        if (model.Size() <= 2048) vector.AppendArray(&vector), model.Append(Model<Element>(model));
        break;
      case 5: {
        const int32_t size = in.Range(-3, 70);
        vector.Resize(size), model.Resize(size);
        break;
      }
      case 6:
        if (model.last < model.capacity - 1) model.Allocate(model.Size());
        MODEL_CHECK(vector.Adjust() == model.capacity);
        break;
      case 7: vector.RemoveElement(element), model.Remove(model.Find(element)); break;
      case 8: vector.RemoveElement(index), model.Remove(index); break;
      case 9: MODEL_CHECK(vector.isElement(element) == model.Find(element)); break;
      case 10:
        MODEL_CHECK(vector.GetElement(index) ==
                    (model.InRange(index) ? model.slots[static_cast<size_t>(index)] : out_of_range));
        break;
      case 11:
        vector.SetElement(element, index);
        if (model.InRange(index)) model.slots[static_cast<size_t>(index)] = element;
        break;
      case 12: vector.Reset(), model.last = -1; break;
      case 13: vector.Clear(), model.slots.clear(), model.has_storage = false, model.last = -1; break;
      case 14: {  // a vector with storage keeps counting the slots it has
        const int32_t new_capacity = in.Range(0, 40);
        vector.SetCapacity(new_capacity, model.grow_factor = PickGrowFactor(in));
        model.capacity = model.has_storage ? model.capacity : new_capacity;
        break;
      }
      case 15: {  // copies duplicate the storage: changing one leaves the other
        auto copy = vector;
        Model<Element> copy_model = model;
        copy.AddElement(element), copy_model.Add(element);
        copy.CheckSame(copy_model);
        if (in.Bool())
          vector = copy, model = copy_model;
        else if (model.Size() <= 2048)
          vector.AppendArray(&copy), model.Append(copy_model);
        break;
      }
      default: vector.AddElement(element), model.Add(element);
    }
    vector.CheckSame(model);
  }
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

// UVector's elements include 0xFFFFFFFF, its answer outside the elements;
// TVector's are pointers, null among them.
void RunVectors(OpStream& in) {
  if (in.Bool()) {
    Run<UVector, uint32_t>(in, false, 0xFFFFFFFFu,
                           [](int32_t n) { return n == 7 ? 0xFFFFFFFFu : static_cast<uint32_t>(n); });
  } else {
    Run<TVector<char>, char*>(in, true, nullptr, Token<char>);
  }
}

}  // namespace vem_test
