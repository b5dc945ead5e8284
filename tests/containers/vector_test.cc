#include <limits>
#include <new>
#include <vector>

#include <gtest/gtest.h>

#include "VemContainers.h"
#include "containers/vector_core.h"

namespace {

// Reads the protected fields of either vector class.
template <typename Base>
class Probe : public Base {
 public:
  using Base::Base;
  int32_t Capacity() const { return this->m_capacity; }
  int32_t LastIndex() const { return this->m_lastIndex; }
  float GrowFactor() const { return this->m_growFactor; }
};

using UProbe = Probe<UVector>;
using OProbe = Probe<OVector>;

void* P(intptr_t n) { return reinterpret_cast<void*>(0x1000 + 16 * n); }

std::vector<uint32_t> Elements(UVector& v) {
  return std::vector<uint32_t>(v.GetArray(), v.GetArray() + v.GetSize());
}

// Capacity after each addition, recorded where it changes.
std::vector<int32_t> GrowthSteps(UProbe& v, int additions) {
  std::vector<int32_t> steps;
  for (int i = 0; i < additions; ++i) {
    v.AddElement(static_cast<uint32_t>(i));
    if (steps.empty() || steps.back() != v.Capacity()) {
      steps.push_back(v.Capacity());
    }
  }
  return steps;
}

}  // namespace

// ---- Growth -------------------------------------------------------------

TEST(VectorGrowth, DefaultVectorAllocatesSixteenZeroSlotsThenGrowsByHalf) {
  UProbe v;
  EXPECT_EQ(v.GetArray(), nullptr);
  EXPECT_EQ(v.Capacity(), 16);
  v.AddElement(7);
  ASSERT_NE(v.GetArray(), nullptr);
  for (int i = 1; i < 16; ++i) EXPECT_EQ(v.GetArray()[i], 0u) << i;
  for (int i = 1; i < 24; ++i) v.AddElement(1);  // 24 elements: grown once
  EXPECT_EQ(v.Capacity(), 24);
  for (int i = 16; i < 24; ++i) EXPECT_EQ(v.GetArray()[i], 1u) << i;
  v.AddElement(1);  // the 25th
  EXPECT_EQ(v.Capacity(), 36);
  for (int i = 25; i < 36; ++i) EXPECT_EQ(v.GetArray()[i], 0u) << i;
  UProbe fresh;
  EXPECT_EQ(GrowthSteps(fresh, 610),
            (std::vector<int32_t>{16, 24, 36, 54, 81, 121, 181, 271, 406, 609,
                                  913}));
}

TEST(VectorGrowth, FactorOneDoubles) {
  UProbe v(1.0f, 4);
  EXPECT_EQ(GrowthSteps(v, 9), (std::vector<int32_t>{4, 8, 16}));
}

TEST(VectorGrowth, DegenerateStepsStillGrowByOneSlot) {
  for (float factor : {0.5f, 0.0f, -3.0f, std::numeric_limits<float>::quiet_NaN()}) {
    UProbe v(factor, 1);
    v.AddElement(1);
    v.AddElement(2);
    v.AddElement(3);
    EXPECT_EQ(Elements(v), (std::vector<uint32_t>{1, 2, 3})) << factor;
    EXPECT_GE(v.Capacity(), 3);
  }
  OProbe zero(0.5f, 0);
  zero.AddElement(P(1));
  EXPECT_EQ(zero.Capacity(), 1);
  EXPECT_EQ(zero.GetElement(0), P(1));
}

TEST(VectorGrowth, GrownCapacityFollowsTheFactorAndNeverOverflows) {
  EXPECT_EQ(vem::GrownCapacity(16, 0.5f), 24);
  EXPECT_EQ(vem::GrownCapacity(81, 0.5f), 121);  // 40.5 truncates to 40
  EXPECT_EQ(vem::GrownCapacity(1, 0.5f), 2);     // a zero step grows by one
  EXPECT_EQ(vem::GrownCapacity(0, 1.0f), 1);
  EXPECT_EQ(vem::GrownCapacity(10, -1.0f), 11);
  EXPECT_EQ(vem::GrownCapacity(10, std::numeric_limits<float>::quiet_NaN()), 11);
  EXPECT_EQ(vem::GrownCapacity(16, 1e30f), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(vem::GrownCapacity(std::numeric_limits<int32_t>::max() - 1, 0.0f),
            std::numeric_limits<int32_t>::max());
  EXPECT_THROW(vem::GrownCapacity(std::numeric_limits<int32_t>::max(), 0.5f),
               std::bad_alloc);
}

TEST(VectorGrowth, ClearKeepsTheGrownCapacityForTheNextAllocation) {
  UProbe v;
  for (int i = 0; i < 25; ++i) v.AddElement(1);
  ASSERT_EQ(v.Capacity(), 36);
  v.Clear();
  EXPECT_EQ(v.GetArray(), nullptr);
  EXPECT_EQ(v.GetSize(), 0);
  v.AddElement(5);
  EXPECT_EQ(v.Capacity(), 36);
  EXPECT_EQ(v.GetArray()[35], 0u);
}

TEST(VectorSettings, SetCapacityWithoutStorageSizesTheFirstAllocation) {
  UProbe v;
  v.SetCapacity(3, 1.0f);
  EXPECT_EQ(GrowthSteps(v, 7), (std::vector<int32_t>{3, 6, 12}));
}

TEST(VectorSettings, SetCapacityWithStorageKeepsItAndChangesTheNextGrowth) {
  UProbe v;
  v.AddElement(1);
  v.SetCapacity(100, 1.0f);
  EXPECT_EQ(v.Capacity(), 16);
  for (int i = 1; i < 17; ++i) v.AddElement(1);
  EXPECT_EQ(v.Capacity(), 32);
  EXPECT_FLOAT_EQ(v.GrowFactor(), 1.0f);
}

// ---- Removal and search -------------------------------------------------------

TEST(VectorRemove, ByValueRemovesOnlyTheFirstMatch) {
  UVector v;
  for (uint32_t x : {4u, 7u, 4u, 9u}) v.AddElement(x);
  v.RemoveElement(4u);
  EXPECT_EQ(Elements(v), (std::vector<uint32_t>{7, 4, 9}));
  v.RemoveElement(5u);
  EXPECT_EQ(Elements(v), (std::vector<uint32_t>{7, 4, 9}));
}

TEST(VectorRemove, ByIndexIgnoresOutOfRangeAndClosesTheGap) {
  UVector v;
  for (uint32_t x : {10u, 11u, 12u}) v.AddElement(x);
  v.RemoveElement(-1);
  v.RemoveElement(3);
  EXPECT_EQ(Elements(v), (std::vector<uint32_t>{10, 11, 12}));
  v.RemoveElement(0);
  EXPECT_EQ(Elements(v), (std::vector<uint32_t>{11, 12}));
}

TEST(VectorRemove, UVectorKeepsTheVacatedSlotAndResizeShowsItAgain) {
  UVector v;
  for (uint32_t x : {1u, 2u, 3u}) v.AddElement(x);
  v.RemoveElement(2);
  EXPECT_EQ(v.GetSize(), 2);
  EXPECT_EQ(v.GetArray()[2], 3u);
  v.Resize(3);
  EXPECT_EQ(v.GetElement(2), 3u);
}

TEST(VectorRemove, OVectorNullsTheVacatedSlot) {
  OVector v;
  for (int i = 1; i <= 3; ++i) v.AddElement(P(i));
  v.RemoveElement(P(1));
  EXPECT_EQ(v.GetSize(), 2);
  EXPECT_EQ(v.GetArray()[0], P(2));
  EXPECT_EQ(v.GetArray()[1], P(3));
  EXPECT_EQ(v.GetArray()[2], nullptr);
  v.RemoveElement(1);
  EXPECT_EQ(v.GetArray()[1], nullptr);
  v.RemoveElement(5);  // invalid index: nothing changes, nothing is nulled
  EXPECT_EQ(v.GetArray()[0], P(2));
}

TEST(VectorSearch, OutOfRangeAnswersAndEmptySearch) {
  UVector u;
  OVector o;
  EXPECT_EQ(u.isElement(1), -1);
  EXPECT_EQ(o.isElement(P(1)), -1);
  u.AddElement(5);
  o.AddElement(P(5));
  EXPECT_EQ(u.GetElement(-1), 0xFFFFFFFFu);
  EXPECT_EQ(u.GetElement(1), 0xFFFFFFFFu);
  EXPECT_EQ(o.GetElement(-1), nullptr);
  EXPECT_EQ(o.GetElement(1), nullptr);
  EXPECT_EQ(u.isElement(5), 0);
  EXPECT_EQ(o.isElement(P(5)), 0);
}

TEST(VectorSet, OverwritesInsideAndIgnoresOutside) {
  UVector v;
  v.AddElement(1);
  v.AddElement(2);
  v.SetElement(9, 1);
  v.SetElement(8, 2);   // beyond the size
  v.SetElement(7, -1);
  EXPECT_EQ(Elements(v), (std::vector<uint32_t>{1, 9}));
  EXPECT_EQ(v.GetArray()[2], 0u);
  UVector empty;
  empty.SetElement(1, 0);  // no storage at all
  EXPECT_EQ(empty.GetArray(), nullptr);
}

TEST(VectorInsert, InsertElementChangesNothing) {
  UProbe v;
  v.AddElement(1);
  v.InsertElement(5, 0);
  v.InsertElement(5, 1);
  EXPECT_EQ(Elements(v), (std::vector<uint32_t>{1}));
  EXPECT_EQ(v.Capacity(), 16);
  OProbe o;
  o.InsertElement(P(1), 0);
  EXPECT_EQ(o.GetSize(), 0);
  EXPECT_EQ(o.GetArray(), nullptr);
}

// ---- Resize, Adjust, Reset --------------------------------------------------

TEST(VectorResize, WithoutStorageAllocatesExactlyTheSize) {
  UProbe v;
  v.Resize(5);
  EXPECT_EQ(v.Capacity(), 5);
  EXPECT_EQ(Elements(v), (std::vector<uint32_t>(5, 0)));
}

TEST(VectorResize, ShrinkingClearsCutSlotsAndKeepsCapacity) {
  UProbe v;
  for (uint32_t x = 1; x <= 5; ++x) v.AddElement(x);
  v.Resize(2);
  EXPECT_EQ(v.Capacity(), 16);
  v.Resize(5);
  EXPECT_EQ(Elements(v), (std::vector<uint32_t>{1, 2, 0, 0, 0}));
}

TEST(VectorResize, GrowingPastCapacityKeepsEveryOldSlot) {
  UProbe v(0.5f, 4);
  for (uint32_t x = 1; x <= 3; ++x) v.AddElement(x);
  v.RemoveElement(2);  // slot 2 keeps 3 beyond the size
  v.Resize(6);
  EXPECT_EQ(v.Capacity(), 6);
  EXPECT_EQ(Elements(v), (std::vector<uint32_t>{1, 2, 3, 0, 0, 0}));
}

TEST(VectorResize, NegativeSizeEmpties) {
  UProbe v;
  v.AddElement(1);
  v.Resize(-3);
  EXPECT_EQ(v.GetSize(), 0);
  EXPECT_EQ(v.LastIndex(), -1);
  v.AddElement(2);
  EXPECT_EQ(Elements(v), (std::vector<uint32_t>{2}));
}

TEST(VectorAdjust, ShrinksToTheSizeKeepingOrder) {
  UProbe v;
  for (int i = 0; i < 17; ++i) v.AddElement(static_cast<uint32_t>(i));
  ASSERT_EQ(v.Capacity(), 24);
  for (int i = 0; i < 14; ++i) v.RemoveElement(0);
  EXPECT_EQ(v.Adjust(), 3);
  EXPECT_EQ(v.Capacity(), 3);
  EXPECT_EQ(Elements(v), (std::vector<uint32_t>{14, 15, 16}));
  uint32_t* before = v.GetArray();
  EXPECT_EQ(v.Adjust(), 3);  // full now: nothing changes
  EXPECT_EQ(v.GetArray(), before);
  v.AddElement(17);  // grows from 3 by one slot (3 * 0.5 truncates to 1)
  EXPECT_EQ(v.Capacity(), 4);
}

TEST(VectorAdjust, EmptyVectorEndsWithNoSlotsAndStillAcceptsElements) {
  OProbe v;
  EXPECT_EQ(v.Adjust(), 0);
  EXPECT_NE(v.GetArray(), nullptr);
  v.AddElement(P(1));
  v.AddElement(P(2));
  EXPECT_EQ(v.GetSize(), 2);
  EXPECT_EQ(v.GetElement(1), P(2));
}

TEST(VectorReset, EmptiesButKeepsStorageAndContents) {
  UVector v;
  v.AddElement(3);
  v.AddElement(4);
  uint32_t* storage = v.GetArray();
  v.Reset();
  EXPECT_EQ(v.GetSize(), 0);
  EXPECT_EQ(v.GetArray(), storage);
  EXPECT_EQ(storage[1], 4u);
  v.Resize(2);
  EXPECT_EQ(Elements(v), (std::vector<uint32_t>{3, 4}));
}

// ---- AppendArray ------------------------------------------------------------

TEST(VectorAppend, EmptySourceChangesNothing) {
  UProbe v, empty;
  v.AppendArray(&empty);
  EXPECT_EQ(v.GetArray(), nullptr);
  EXPECT_EQ(v.GetSize(), 0);
}

TEST(VectorAppend, TwentyElementsGrowADefaultVectorToTwentyFour) {
  UProbe source, target;
  for (uint32_t x = 0; x < 20; ++x) source.AddElement(x * 3);
  target.AppendArray(&source);
  EXPECT_EQ(target.Capacity(), 24);
  EXPECT_EQ(Elements(target), Elements(source));
  EXPECT_EQ(source.GetSize(), 20);
}

TEST(VectorAppend, ManyStepsOfGrowthMatchSingleAdditions) {
  UProbe source, appended, added;
  for (uint32_t x = 0; x < 500; ++x) source.AddElement(x);
  appended.AddElement(1);
  added.AddElement(1);
  appended.AppendArray(&source);
  for (uint32_t x = 0; x < 500; ++x) added.AddElement(x);
  EXPECT_EQ(appended.Capacity(), added.Capacity());
  EXPECT_EQ(Elements(appended), Elements(added));
}

TEST(VectorAppend, AppendingToItselfDoublesTheElementsOnce) {
  OProbe v;
  for (int i = 0; i < 16; ++i) v.AddElement(P(i));  // full: appending grows
  v.AppendArray(&v);
  ASSERT_EQ(v.GetSize(), 32);
  for (int i = 0; i < 32; ++i) EXPECT_EQ(v.GetElement(i), P(i % 16)) << i;
  EXPECT_EQ(v.Capacity(), 36);
}

// ---- Copies and the typed vector ------------------------------------------

TEST(VectorCopy, CopiesDuplicateEverySlotAndShareNothing) {
  UProbe source;
  for (uint32_t x = 1; x <= 3; ++x) source.AddElement(x);
  source.RemoveElement(2);  // stale 3 in slot 2
  UProbe copy(source);
  EXPECT_NE(copy.GetArray(), source.GetArray());
  EXPECT_EQ(copy.Capacity(), 16);
  EXPECT_EQ(copy.GetArray()[2], 3u);
  copy.SetElement(100, 0);
  copy.AddElement(4);
  EXPECT_EQ(Elements(source), (std::vector<uint32_t>{1, 2}));

  UProbe assigned;
  assigned.AddElement(9);
  assigned = source;
  EXPECT_EQ(Elements(assigned), (std::vector<uint32_t>{1, 2}));
  UProbe& alias = assigned;
  assigned = alias;
  EXPECT_EQ(Elements(assigned), (std::vector<uint32_t>{1, 2}));

  UProbe blank;
  UProbe blankCopy(blank);
  EXPECT_EQ(blankCopy.GetArray(), nullptr);
}

TEST(VectorCopy, OVectorCopyAndAssignmentAreIndependent) {
  OProbe source(1.0f, 2);
  source.AddElement(P(1));
  OProbe copy(source);
  copy.AddElement(P(2));
  copy.AddElement(P(3));
  EXPECT_EQ(source.GetSize(), 1);
  EXPECT_EQ(source.Capacity(), 2);
  source = copy;
  EXPECT_EQ(source.GetSize(), 3);
  EXPECT_EQ(source.Capacity(), 4);
  EXPECT_NE(source.GetArray(), copy.GetArray());
}

TEST(TVector, TypedFormsAndDeletesNothing) {
  std::vector<int> a{1}, b{2};
  TVector<std::vector<int>> v;
  v.AddElement(&a);
  v.AddElement(&b);
  v.AddElement(&a);
  EXPECT_EQ(v.isElement(&b), 1);
  EXPECT_EQ(v.GetElement(2), &a);
  v.RemoveElement(&a);  // by value: the first one
  EXPECT_EQ(v.GetElement(0), &b);
  v.RemoveElement(0);  // by index
  EXPECT_EQ(v.GetElement(0), &a);
  v.SetElement(&b, 0);
  EXPECT_EQ(v.GetElement(0), &b);
  EXPECT_EQ(v.GetElement(1), nullptr);
  OVector* base = new TVector<std::vector<int>>(v);
  delete base;  // through the virtual destructor; the objects survive
  EXPECT_EQ(a.front() + b.front(), 3);
}
