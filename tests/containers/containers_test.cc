// The containers against their models under seeded random operations, and
// the documented numbers the models themselves must reproduce: growth
// points, enumeration orders, vector capacities.
#include <gtest/gtest.h>

#include <ostream>

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

TEST(ContainersModel, HashtableAndEnumeratorMatchTheModel) {
  vem_test::RunSeeds(vem_test::RunHashtable, 400, 1500);
}
TEST(ContainersModel, VectorsMatchTheModel) { vem_test::RunSeeds(vem_test::RunVectors, 400, 1500); }

class Table : public CHashtable {
 public:
  Table() = default;
  Table(int32_t capacity, float load_factor) : CHashtable(capacity, load_factor) {}
  int32_t Capacity() const { return m_capacity; }
  float LoadFactor() const { return m_loadFactor; }
};

// Keys put in this order into a table of these settings; the bucket count
// and the enumeration order that follow, from the library and the model.
struct TableRow {
  int32_t capacity;
  float load_factor;
  Keys keys;
  int32_t grownTo;
  Keys order;  // empty: not pinned
};

// Rows show as their settings: GoogleTest would print a row's bytes,
// padding included.
void PrintTo(const TableRow& row, std::ostream* out) {
  *out << row.capacity << " buckets, load factor " << row.load_factor << ", " << row.keys.size() << " keys";
}

class TableRows : public ::testing::TestWithParam<TableRow> {};

TEST_P(TableRows, GrowAndEnumerateAsDocumented) {
  const TableRow& row = GetParam();
  Table table(row.capacity, row.load_factor);
  vem_test::HashtableModel model(row.capacity, row.load_factor);
  for (int32_t key : row.keys) {
    table.Put(key, &table);
    model.Put(key, &table);
  }
  EXPECT_EQ(table.Capacity(), row.grownTo);
  EXPECT_EQ(model.Capacity(), row.grownTo);
  Keys order;
  CHtEnumerator cursor(&table);
  int32_t key = 0;
  while (cursor.NextElement(&key) != nullptr) order.push_back(key);
  if (!row.order.empty()) {
    EXPECT_EQ(order, row.order);
  }
  Keys modelOrder;
  for (const auto& entry : model.Enumerate()) modelOrder.push_back(entry.first);
  EXPECT_EQ(order, modelOrder);
}

Keys Range(int32_t count) {
  Keys keys;
  for (int32_t k = 0; k < count; ++k) keys.push_back(k * 7 + 1);
  return keys;
}

INSTANTIATE_TEST_SUITE_P(Documented, TableRows,
                         ::testing::Values(TableRow{151, 0.75f, Range(113), 151, {}},
                                           TableRow{151, 0.75f, Range(114), 303, {}},
                                           TableRow{151, 0.75f, Range(228), 607, {}},
                                           TableRow{10, 2.0f, Range(20), 10, {}}, TableRow{10, 2.0f, Range(21), 21, {}},
                                           TableRow{1, 0.1f, {9}, 15, {}},
                                           TableRow{151, 0.75f, {3, 10, 161}, 151, {161, 10, 3}},
                                           TableRow{151, 0.75f, {5, kMin + 5, 0, kMin}, 151, {kMin + 5, 5, kMin, 0}},
                                           // The rehash walks the old chain head first and relinks at the head,
                                           // so 0 and 3 swap places in their new bucket.
                                           TableRow{1, 2.0f, {0, 3, 6}, 3, {6, 0, 3}}));

TEST(TableSettings, InvalidSettingsFallBackOneByOne) {
  const struct {
    int32_t capacity;
    float load_factor;
    int32_t expectCapacity;
    float expectFactor;
  } rows[] = {{0, 0.75f, 151, 0.75f},
              {-7, 0.5f, 151, 0.5f},
              {10, 0.0f, 10, 0.75f},
              {10, kNaN, 10, 0.75f},
              {-1, -2.0f, 151, 0.75f}};
  for (const auto& row : rows) {
    Table table(row.capacity, row.load_factor);
    EXPECT_EQ(table.Capacity(), row.expectCapacity) << row.capacity;
    EXPECT_EQ(table.LoadFactor(), row.expectFactor) << row.capacity;
    EXPECT_EQ(table.Put(1, &table), &table);
  }
  Table defaults;
  EXPECT_EQ(defaults.Capacity(), 151);
  EXPECT_EQ(defaults.LoadFactor(), 0.75f);
}

// The capacity after each addition, where it changes.
TEST(VectorGrowth, CapacitiesFollowTheFactor) {
  const struct {
    float factor;
    int32_t capacity;
    int additions;
    std::vector<int32_t> steps;
  } rows[] = {{0.5f, 16, 610, {16, 24, 36, 54, 81, 121, 181, 271, 406, 609, 913}},
              {1.0f, 4, 9, {4, 8, 16}},
              {0.5f, 1, 3, {1, 2, 3}},
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
