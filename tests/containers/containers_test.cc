// The containers against their models under seeded random operations, and
// the documented numbers the models stand for: growth points, enumeration
// orders and vector capacities.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <new>
#include <vector>

#include "VemContainers.h"
#include "containers/vector_core.h"
#include "tests/support/model_runs.h"

namespace {

using Keys = std::vector<int32_t>;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min(), kMax = std::numeric_limits<int32_t>::max();

TEST(ContainersModel, HashtableAndEnumeratorMatchTheModel) { vem_test::RunSeeds(vem_test::RunHashtable, 400, 1500); }
TEST(ContainersModel, VectorsMatchTheModel) { vem_test::RunSeeds(vem_test::RunVectors, 400, 1500); }

// The bucket count after putting keys 1, 8, 15... (or the keys given) into a
// table of these settings (invalid ones fall back to 151 and 0.75), and the
// enumeration order where it is pinned.
TEST(ContainersDocumented, HashtableGrowthAndOrder) {
  const struct {
    int32_t capacity;
    float load_factor;
    int32_t count;
    int32_t grown_to;
    Keys put, order;
  } rows[] = {{151, 0.75f, 113, 151, {}, {}},
              {151, 0.75f, 114, 303, {}, {}},
              {151, 0.75f, 228, 607, {}, {}},
              {10, 2.0f, 21, 21, {}, {}},
              {10, kNaN, 8, 21, {}, {}},
              {1, 0.1f, 1, 15, {9}, {9}},
              {0, 0.75f, 3, 151, {3, 10, 161}, {161, 10, 3}},
              {1, 2.0f, 3, 3, {0, 3, 6}, {6, 0, 3}},  // relinked head first: 0 and 3 swap
              {151, 0.75f, 4, 151, {5, kMin + 5, 0, kMin}, {kMin + 5, 5, kMin, 0}}};
  for (const auto& row : rows) {
    struct Table : CHashtable {
      using CHashtable::CHashtable;
      int32_t Capacity() const { return m_capacity; }
    } table(row.capacity, row.load_factor);
    Keys order;
    for (int32_t k = 0; k < row.count; ++k)
      table.Put(row.put.empty() ? 7 * k + 1 : row.put[static_cast<size_t>(k)], &table);
    CHtEnumerator cursor(&table);
    for (int32_t key = 0; cursor.NextElement(&key) != nullptr;) order.push_back(key);
    EXPECT_EQ(table.Capacity(), row.grown_to) << row.capacity << " " << row.count;
    if (!row.order.empty()) {
      EXPECT_EQ(order, row.order);
    }
  }
}

// The capacity after each addition, where it changes; growth that would
// pass the largest count stops there, and a full largest storage fails.
TEST(ContainersDocumented, VectorCapacitiesFollowTheFactor) {
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
  EXPECT_EQ(vem::GrownCapacity(16, 1e30f), kMax);
  EXPECT_EQ(vem::GrownCapacity(kMax - 1, 0.0f), kMax);
  EXPECT_THROW(vem::GrownCapacity(kMax, 0.5f), std::bad_alloc);
}

}  // namespace
