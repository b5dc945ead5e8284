// The containers against their models under seeded random operations, and
// the documented numbers that the models must reproduce as well: growth
// points, enumeration orders and vector capacities.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <new>
#include <vector>

#include "VemContainers.h"
#include "containers/vector_core.h"
#include "tests/models/hashtable_model.h"
#include "tests/support/model_runs.h"

namespace {

using Keys = std::vector<int32_t>;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();

TEST(ContainersModel, HashtableAndEnumeratorMatchTheModel) { vem_test::RunSeeds(vem_test::RunHashtable, 400, 1500); }
TEST(ContainersModel, VectorsMatchTheModel) { vem_test::RunSeeds(vem_test::RunVectors, 400, 1500); }

struct Table : CHashtable {
  using CHashtable::CHashtable;
  int32_t Capacity() const { return m_capacity; }
};

Keys Spaced(int32_t count) {
  Keys keys;
  for (int32_t k = 0; k < count; ++k) keys.push_back(k * 7 + 1);
  return keys;
}

// Keys put in this order into a table of these settings (a fallback for
// invalid ones); the bucket count and enumeration order, from the table and
// from the model.
TEST(HashtableDocumented, GrowthAndEnumerationOrder) {
  const struct {
    int32_t capacity;
    float load_factor;
    Keys keys;
    int32_t grown_to;
    Keys order;  // empty: not pinned
  } rows[] = {{151, 0.75f, Spaced(113), 151, {}},
              {151, 0.75f, Spaced(114), 303, {}},
              {151, 0.75f, Spaced(228), 607, {}},
              {10, 2.0f, Spaced(21), 21, {}},
              {1, 0.1f, {9}, 15, {9}},
              {151, 0.75f, {3, 10, 161}, 151, {161, 10, 3}},
              {0, 0.75f, {3, 10, 161}, 151, {161, 10, 3}},
              {10, kNaN, Spaced(8), 21, {}},
              {151, 0.75f, {5, kMin + 5, 0, kMin}, 151, {kMin + 5, 5, kMin, 0}},
              // The rehash walks the old chain head first and relinks at the
              // head, so 0 and 3 swap places in their new bucket.
              {1, 2.0f, {0, 3, 6}, 3, {6, 0, 3}}};
  for (const auto& row : rows) {
    Table table(row.capacity, row.load_factor);
    vem_test::HashtableModel model(row.capacity < 1 ? 151 : row.capacity,
                                   row.load_factor > 0 ? row.load_factor : 0.75f);
    Keys order, model_order;
    for (int32_t key : row.keys) table.Put(key, &table), model.Put(key, &table);
    CHtEnumerator cursor(&table);
    for (int32_t key = 0; cursor.NextElement(&key) != nullptr;) order.push_back(key);
    for (const auto& entry : model.Enumerate()) model_order.push_back(entry.first);
    EXPECT_EQ(table.Capacity(), row.grown_to) << row.capacity << " " << row.keys.size();
    EXPECT_EQ(model.Capacity(), row.grown_to) << row.capacity << " " << row.keys.size();
    EXPECT_EQ(order, model_order);
    if (!row.order.empty()) {
      EXPECT_EQ(order, row.order);
    }
  }
}

// The capacity after each addition, where it changes.
TEST(VectorDocumented, CapacitiesFollowTheFactor) {
  const struct {
    float factor;
    int32_t capacity;
    int additions;
    std::vector<int32_t> steps;
  } rows[] = {{0.5f, 16, 610, {16, 24, 36, 54, 81, 121, 181, 271, 406, 609, 913}},
              {1.0f, 4, 9, {4, 8, 16}},
              {0.0f, 1, 3, {1, 2, 3}},
              {kNaN, 2, 3, {2, 3}},
              {0.5f, 0, 2, {1, 2}}};
  for (const auto& row : rows) {
    struct Probe : UVector {
      using UVector::UVector;
      int32_t Capacity() const { return m_capacity; }
    } v(row.factor, row.capacity);
    std::vector<int32_t> steps;
    for (int i = 0; i < row.additions; ++i) {
      v.AddElement(static_cast<uint32_t>(i));
      if (steps.empty() || steps.back() != v.Capacity()) steps.push_back(v.Capacity());
    }
    EXPECT_EQ(steps, row.steps) << row.factor << " " << row.capacity;
  }
  EXPECT_EQ(vem::GrownCapacity(16, 1e30f), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(vem::GrownCapacity(std::numeric_limits<int32_t>::max() - 1, 0.0f), std::numeric_limits<int32_t>::max());
  EXPECT_THROW(vem::GrownCapacity(std::numeric_limits<int32_t>::max(), 0.5f), std::bad_alloc);
}

}  // namespace
