#include <algorithm>
#include <set>
#include <vector>

#include <gtest/gtest.h>

#include "VemContainers.h"
#include "tests/containers/table_probe.h"

using Keys = std::vector<int32_t>;

TEST(HtEnumeratorOrder, HighestBucketFirstNewestFirstWithinABucket) {
  CHashtable table;
  for (int32_t k : {3, 10, 161}) table.Put(k, Token(k));  // 161 % 151 == 10
  EXPECT_EQ(EnumeratedKeys(&table), (Keys{161, 10, 3}));
}

TEST(HtEnumeratorOrder, EveryFormYieldsTheSameSequence) {
  CHashtable table(13);
  for (int32_t k = 0; k < 40; ++k) table.Put(k * 5, Token(k));
  const Keys expected = EnumeratedKeys(&table);
  ASSERT_EQ(expected.size(), 40u);

  CHtEnumerator byEntry(&table);
  Keys entries;
  while (HashtableEntry* e = byEntry.NextEntry()) {
    EXPECT_EQ(e->value, Token(e->key / 5));
    entries.push_back(e->key);
  }
  EXPECT_EQ(entries, expected);

  // HasMoreElements interleaved with the plain NextElement skips nothing.
  CHtEnumerator mixed(&table);
  std::vector<void*> values;
  while (mixed.HasMoreElements()) {
    EXPECT_TRUE(mixed.HasMoreElements());
    values.push_back(mixed.NextElement());
  }
  ASSERT_EQ(values.size(), expected.size());
  for (size_t i = 0; i < values.size(); ++i) {
    EXPECT_EQ(values[i], Token(expected[i] / 5));
  }
}

TEST(HtEnumeratorEnd, StaysExhaustedAndLeavesKeyUntouched) {
  CHashtable table;
  table.Put(1, Token(1));
  CHtEnumerator cursor(&table);
  EXPECT_EQ(cursor.NextElement(), Token(1));
  for (int i = 0; i < 3; ++i) {
    EXPECT_FALSE(cursor.HasMoreElements());
    EXPECT_EQ(cursor.NextElement(), nullptr);
    EXPECT_EQ(cursor.NextEntry(), nullptr);
    int32_t key = 1234;
    EXPECT_EQ(cursor.NextElement(&key), nullptr);
    EXPECT_EQ(key, 1234);
  }
}

TEST(HtEnumeratorEnd, NullTableAndEmptyTableYieldNothing) {
  CHtEnumerator none(nullptr);
  EXPECT_FALSE(none.HasMoreElements());
  EXPECT_EQ(none.NextEntry(), nullptr);
  CHashtable empty;
  CHtEnumerator overEmpty(&empty);
  EXPECT_FALSE(overEmpty.HasMoreElements());
  EXPECT_EQ(overEmpty.NextElement(), nullptr);
}

TEST(HtEnumeratorReset, StartsAfreshOnTheSameOrAnotherTable) {
  CHashtable first, second;
  first.Put(1, Token(1));
  first.Put(2, Token(2));
  second.Put(7, Token(7));
  CHtEnumerator cursor(&first);
  EXPECT_EQ(cursor.NextElement(), Token(2));
  cursor.Reset(&first);
  EXPECT_EQ(cursor.NextElement(), Token(2));
  EXPECT_EQ(cursor.NextElement(), Token(1));
  cursor.Reset(&second);
  EXPECT_EQ(cursor.NextElement(), Token(7));
  EXPECT_EQ(cursor.NextElement(), nullptr);
  cursor.Reset(nullptr);
  EXPECT_FALSE(cursor.HasMoreElements());
}

TEST(HtEnumeratorCopy, CopyContinuesIndependentlyFromTheSamePosition) {
  CHashtable table;
  for (int32_t k = 0; k < 10; ++k) table.Put(k, Token(k));
  CHtEnumerator original(&table);
  original.NextElement();
  original.NextElement();
  CHtEnumerator copy = original;
  Keys fromOriginal, fromCopy;
  int32_t key;
  while (original.NextElement(&key)) fromOriginal.push_back(key);
  while (copy.NextElement(&key)) fromCopy.push_back(key);
  EXPECT_EQ(fromOriginal, (Keys{7, 6, 5, 4, 3, 2, 1, 0}));
  EXPECT_EQ(fromCopy, fromOriginal);
}

TEST(HtEnumeratorMutation, RemovingTheEntryJustHandedOutKeepsTheRestComplete) {
  CHashtable table(17);
  for (int32_t k = 0; k < 100; ++k) table.Put(k * 3, Token(k));
  const Keys before = EnumeratedKeys(&table);
  Keys visited;
  CHtEnumerator cursor(&table);
  int32_t key;
  while (cursor.NextElement(&key) != nullptr) {
    visited.push_back(key);
    ASSERT_NE(table.Remove(key), nullptr);
  }
  EXPECT_EQ(visited, before);
  EXPECT_EQ(table.Size(), 0);
}

TEST(HtEnumeratorMutation, ReplacedValueOfAnUnvisitedKeyIsSeen) {
  CHashtable table;
  table.Put(1, Token(1));
  table.Put(2, Token(2));
  CHtEnumerator cursor(&table);
  EXPECT_EQ(cursor.NextElement(), Token(2));
  table.Put(1, Token(99));
  EXPECT_EQ(cursor.NextElement(), Token(99));
}
