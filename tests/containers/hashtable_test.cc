#include <cmath>
#include <limits>
#include <map>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "VemContainers.h"
#include "tests/containers/table_probe.h"

using Keys = std::vector<int32_t>;

// ---- Construction --------------------------------------------------------

TEST(HashtableConstruction, DefaultsAndInvalidSettingsFallBackOneByOne) {
  TableProbe defaults;
  EXPECT_EQ(defaults.Capacity(), 151);
  EXPECT_FLOAT_EQ(defaults.LoadFactor(), 0.75f);
  TableProbe noBuckets(0);
  EXPECT_EQ(noBuckets.Capacity(), 151);
  TableProbe negativeBuckets(-7, 0.5f);
  EXPECT_EQ(negativeBuckets.Capacity(), 151);
  EXPECT_FLOAT_EQ(negativeBuckets.LoadFactor(), 0.5f);
  TableProbe zeroFactor(10, 0.0f);
  EXPECT_EQ(zeroFactor.Capacity(), 10);
  EXPECT_FLOAT_EQ(zeroFactor.LoadFactor(), 0.75f);
  TableProbe nanFactor(10, std::numeric_limits<float>::quiet_NaN());
  EXPECT_FLOAT_EQ(nanFactor.LoadFactor(), 0.75f);
  TableProbe bothBad(-1, -2.0f);
  EXPECT_EQ(bothBad.Capacity(), 151);
  EXPECT_FLOAT_EQ(bothBad.LoadFactor(), 0.75f);
  // A table set up from defaults works like any other.
  EXPECT_EQ(bothBad.Put(1, Token(1)), Token(1));
  EXPECT_EQ(bothBad.Get(1), Token(1));
}

// ---- Put, Get, Remove ----------------------------------------------------

TEST(HashtablePut, NullValueIsRefusedEvenForPresentKey) {
  CHashtable table;
  EXPECT_EQ(table.Put(7, nullptr), nullptr);
  EXPECT_FALSE(table.ContainsKey(7));
  table.Put(7, Token(1));
  EXPECT_EQ(table.Put(7, nullptr), nullptr);
  EXPECT_EQ(table.Get(7), Token(1));
  EXPECT_EQ(table.Size(), 1);
}

TEST(HashtablePut, ReturnsNewValueOnAddAndPreviousOnReplace) {
  CHashtable table;
  EXPECT_EQ(table.Put(42, Token(1)), Token(1));
  EXPECT_EQ(table.Put(42, Token(2)), Token(1));
  EXPECT_EQ(table.Get(42), Token(2));
  EXPECT_EQ(table.Size(), 1);
}

TEST(HashtablePut, ReplacingAtTheThresholdNeverGrows) {
  TableProbe table;
  for (int32_t k = 0; k < 113; ++k) table.Put(k, Token(k));
  EXPECT_EQ(table.Put(50, Token(999)), Token(50));
  EXPECT_EQ(table.Capacity(), 151);
  EXPECT_EQ(table.Size(), 113);
}

TEST(HashtableKeys, KeysDifferingInBitThirtyOneShareABucketButNotAnEntry) {
  TableProbe table;
  const int32_t high = static_cast<int32_t>(0x80000005u);
  table.Put(5, Token(1));
  table.Put(high, Token(2));
  EXPECT_EQ(table.Get(5), Token(1));
  EXPECT_EQ(table.Get(high), Token(2));
  EXPECT_EQ(table.Chain(5), (Keys{high, 5}));
  EXPECT_EQ(table.Remove(5), Token(1));
  EXPECT_EQ(table.Get(high), Token(2));
}

TEST(HashtableKeys, MostNegativeKeyLiesInBucketZero) {
  TableProbe table;
  table.Put(std::numeric_limits<int32_t>::min(), Token(1));
  EXPECT_EQ(table.Chain(0), (Keys{std::numeric_limits<int32_t>::min()}));
  EXPECT_EQ(table.Get(std::numeric_limits<int32_t>::min()), Token(1));
}

TEST(HashtableRemove, AbsentKeyReturnsNullAndKeepsSize) {
  CHashtable table;
  table.Put(1, Token(1));
  EXPECT_EQ(table.Remove(2), nullptr);
  EXPECT_EQ(table.Size(), 1);
}

TEST(HashtableRemove, PresentKeyReturnsValueAndLeavesObjectAlone) {
  THashtable<std::vector<int>> table;
  std::vector<int> object{1, 2, 3};
  table.Put(9, &object);
  EXPECT_EQ(table.Remove(9), &object);
  EXPECT_EQ(object, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(table.Size(), 0);
  EXPECT_EQ(table.Get(9), nullptr);
}

// Random operations against an ordered map: catches any bucket index that
// disagrees between Put, Get and Remove, including for negative keys.
TEST(HashtableModel, AgreesWithAReferenceMapUnderRandomOperations) {
  std::mt19937 random(12345);
  std::uniform_int_distribution<int32_t> anyKey(
      std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
  std::uniform_int_distribution<int32_t> smallKey(-300, 300);
  for (float loadFactor : {0.75f, 3.0f, 0.2f}) {
    TableProbe table(1, loadFactor);
    std::map<int32_t, void*> model;
    for (int i = 0; i < 20000; ++i) {
      const int32_t key = (i % 3 == 0) ? anyKey(random) : smallKey(random);
      void* value = Token(i + 1);
      switch (random() % 3) {
        case 0: {
          auto found = model.find(key);
          void* expected = found == model.end() ? value : found->second;
          ASSERT_EQ(table.Put(key, value), expected);
          model[key] = value;
          break;
        }
        case 1: {
          auto found = model.find(key);
          ASSERT_EQ(table.Remove(key),
                    found == model.end() ? nullptr : found->second);
          if (found != model.end()) model.erase(found);
          break;
        }
        default: {
          auto found = model.find(key);
          ASSERT_EQ(table.Get(key),
                    found == model.end() ? nullptr : found->second);
          ASSERT_EQ(table.ContainsKey(key), found != model.end());
        }
      }
      ASSERT_EQ(table.Size(), static_cast<int32_t>(model.size()));
    }
    EXPECT_TRUE(table.ChainsConsistent()) << "load factor " << loadFactor;
  }
}

// ---- Growth ---------------------------------------------------------------

TEST(HashtableGrowth, DefaultTableGrowsAtTheComputedThresholds) {
  TableProbe table;
  std::vector<int32_t> growthAt;  // size before the Put that grew the table
  std::vector<int32_t> capacities{151};
  for (int32_t k = 0; k < 1000; ++k) {
    const int32_t before = table.Capacity();
    table.Put(k * 7919, Token(k));
    if (table.Capacity() != before) {
      growthAt.push_back(k);
      capacities.push_back(table.Capacity());
    }
  }
  EXPECT_EQ(growthAt, (Keys{113, 227, 455, 911}));
  EXPECT_EQ(capacities, (Keys{151, 303, 607, 1215, 2431}));
  EXPECT_TRUE(table.ChainsConsistent());
}

TEST(HashtableGrowth, LoadFactorTwoHoldsTwentyKeysInTenBuckets) {
  TableProbe table(10, 2.0f);
  for (int32_t k = 0; k < 20; ++k) table.Put(k, Token(k));
  EXPECT_EQ(table.Capacity(), 10);
  table.Put(20, Token(20));
  EXPECT_EQ(table.Capacity(), 21);
  EXPECT_EQ(table.Size(), 21);
  EXPECT_TRUE(table.ChainsConsistent());
}

TEST(HashtableGrowth, SmallLoadFactorRehashesSeveralTimesInOnePut) {
  TableProbe table(1, 0.1f);
  table.Put(4, Token(4));
  EXPECT_EQ(table.Capacity(), 15);
  EXPECT_EQ(table.Get(4), Token(4));
  EXPECT_EQ(table.Chain(4), (Keys{4}));
}

TEST(HashtableGrowth, RehashReversesEachChainAsItRelinks) {
  // One bucket holding 9, 6, 3, 0 (newest first); all of them land in
  // bucket 0 of three, each moved to the head, so their order flips.
  TableProbe table(1, 4.0f);
  for (int32_t k : {0, 3, 6, 9}) table.Put(k, Token(k));
  ASSERT_EQ(table.Chain(0), (Keys{9, 6, 3, 0}));
  table.Put(1, Token(1));
  ASSERT_EQ(table.Capacity(), 3);
  EXPECT_EQ(table.Chain(0), (Keys{0, 3, 6, 9}));
  EXPECT_EQ(EnumeratedKeys(&table), (Keys{1, 0, 3, 6, 9}));
}

TEST(HashtableGrowth, RehashWalksOldBucketsFromTheTop) {
  // In 2 buckets: bucket 1 holds 5, 1 and bucket 0 holds 4, 0. Into 5
  // buckets: old bucket 1 first (5 -> 0, 1 -> 1), then bucket 0 (4 -> 4,
  // 0 -> 0), so bucket 0 ends as 0, 5.
  TableProbe table(2, 100.0f);
  for (int32_t k : {0, 1, 4, 5}) table.Put(k, Token(k));
  table.ForceRehash();
  EXPECT_EQ(table.Capacity(), 5);
  EXPECT_EQ(table.Chain(0), (Keys{0, 5}));
  EXPECT_EQ(table.Chain(1), (Keys{1}));
  EXPECT_EQ(table.Chain(4), (Keys{4}));
  EXPECT_EQ(table.Size(), 4);
}

// ---- Value searches -------------------------------------------------------

TEST(HashtableValues, GetKeyReportsTheFirstKeyInEnumerationOrder) {
  CHashtable table;
  table.Put(3, Token(1));
  table.Put(10, Token(1));  // bucket 10 is enumerated before bucket 3
  int32_t key = -1;
  EXPECT_TRUE(table.GetKey(Token(1), &key));
  EXPECT_EQ(key, 10);
  EXPECT_TRUE(table.Contains(Token(1)));
}

TEST(HashtableValues, MissingOrNullValueLeavesKeyUntouched) {
  CHashtable table;
  table.Put(3, Token(1));
  int32_t key = -77;
  EXPECT_FALSE(table.GetKey(Token(2), &key));
  EXPECT_FALSE(table.GetKey(nullptr, &key));
  EXPECT_EQ(key, -77);
  EXPECT_FALSE(table.Contains(Token(2)));
  EXPECT_FALSE(table.Contains(nullptr));
}

// ---- Clear ----------------------------------------------------------------

TEST(HashtableClear, KeepsTheGrownBucketCount) {
  TableProbe table;
  for (int32_t k = 0; k < 300; ++k) table.Put(k, Token(k));
  ASSERT_EQ(table.Capacity(), 607);
  table.Clear();
  EXPECT_EQ(table.Capacity(), 607);
  EXPECT_EQ(table.Size(), 0);
  for (int32_t k = 0; k < 300; ++k) ASSERT_FALSE(table.ContainsKey(k));
  EXPECT_TRUE(EnumeratedKeys(&table).empty());
  table.Put(1, Token(1));
  EXPECT_EQ(table.Get(1), Token(1));
}

// ---- Copies ---------------------------------------------------------------

TEST(HashtableCopy, CopyHasSameBucketsAndOrderButSharesNothing) {
  TableProbe source(1, 4.0f);
  for (int32_t k : {0, 3, 6, 9, 1, 12, -4}) source.Put(k, Token(k + 100));
  TableProbe copy(source);
  EXPECT_EQ(copy.Capacity(), source.Capacity());
  EXPECT_FLOAT_EQ(copy.LoadFactor(), source.LoadFactor());
  EXPECT_EQ(EnumeratedKeys(&copy), EnumeratedKeys(&source));

  copy.Put(0, Token(5));
  copy.Remove(9);
  for (int32_t k = 20; k < 60; ++k) copy.Put(k, Token(k));  // rehashes the copy
  EXPECT_EQ(source.Get(0), Token(100));
  EXPECT_EQ(source.Get(9), Token(109));
  EXPECT_EQ(source.Size(), 7);
  EXPECT_TRUE(source.ChainsConsistent());
  EXPECT_TRUE(copy.ChainsConsistent());
}

TEST(HashtableCopy, AssignmentReplacesContentsAndSurvivesSelfAssignment) {
  TableProbe source;
  for (int32_t k = 0; k < 200; ++k) source.Put(k, Token(k));
  TableProbe target(5, 2.0f);
  target.Put(-1, Token(1));
  target = source;
  EXPECT_EQ(target.Capacity(), 303);
  EXPECT_FALSE(target.ContainsKey(-1));
  EXPECT_EQ(EnumeratedKeys(&target), EnumeratedKeys(&source));
  TableProbe& alias = target;
  target = alias;
  EXPECT_EQ(target.Size(), 200);
  EXPECT_EQ(target.Get(199), Token(199));
}

// ---- Typed table ------------------------------------------------------------

TEST(THashtable, TypedFormsPassPointersThrough) {
  struct Item {
    int id;
  };
  Item a{1}, b{2};
  THashtable<Item> table;
  EXPECT_EQ(table.Put(1, &a), &a);
  EXPECT_EQ(table.Put(1, &b), &a);
  Item* found = table.Get(1);
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->id, 2);
  int32_t key = 0;
  EXPECT_TRUE(table.GetKey(&b, &key));
  EXPECT_EQ(key, 1);
  EXPECT_FALSE(table.Contains(&a));
  EXPECT_EQ(table.Remove(1), &b);
  EXPECT_EQ(a.id, 1);  // values are never deleted
}
