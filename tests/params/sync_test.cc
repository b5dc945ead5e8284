// Linked blocks, the flush of deferred changes, and copying every record out.
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "VemParams.h"
#include "tests/params/param_fixtures.h"

using namespace paramtest;
using Log = std::vector<std::string>;

namespace {

TEST(LinkedData, NeedsAParameterAndABlock) {
  VemParamStorage storage(1);
  char buffer[4];
  EXPECT_EQ(storage.LinkParamData("Gain", "abc", 3), PARAM_ERR_NOT_FOUND);
  EXPECT_EQ(storage.GetLinkedData("Gain", buffer, 4), PARAM_ERR_NOT_FOUND);
  _VemStParam gain = IntParam("Gain", 0);
  storage.AddParam(&gain);
  EXPECT_EQ(storage.GetLinkedData("Gain", buffer, 4), PARAM_ERR_NOT_FOUND);
}

TEST(LinkedData, BlockIsCopiedAndReadBackWhole) {
  VemParamStorage storage(1);
  _VemStParam gain = IntParam("Gain", 0);
  storage.AddParam(&gain);
  unsigned char block[16];
  for (int i = 0; i < 16; ++i) block[i] = static_cast<unsigned char>(i + 1);
  ASSERT_EQ(storage.LinkParamData("Gain", block, 16), 0);
  block[0] = 0xFF;  // the storage keeps its own copy

  unsigned char out[20];
  std::memset(out, 0xAA, sizeof(out));
  EXPECT_EQ(storage.GetLinkedData("Gain", out, 15), PARAM_ERR_BUFFER);
  EXPECT_EQ(out[0], 0xAA);
  EXPECT_EQ(storage.GetLinkedData("Gain", out, 20), 0);
  EXPECT_EQ(out[0], 1);
  EXPECT_EQ(out[15], 16);
  EXPECT_EQ(out[16], 0xAA);
  EXPECT_EQ(storage.GetLinkedData("Gain", nullptr, 16), PARAM_ERR_BUFFER);
}

TEST(LinkedData, RelinkReplacesAndEmptyBlocksWork) {
  VemParamStorage storage(1);
  _VemStParam gain = IntParam("Gain", 0);
  storage.AddParam(&gain);
  storage.LinkParamData("Gain", "0123456789", 10);
  ASSERT_EQ(storage.LinkParamData("BB", "xy", 2), PARAM_ERR_NOT_FOUND);
  ASSERT_EQ(storage.LinkParamData("Gain", "xy", 2), 0);
  char out[10] = {};
  EXPECT_EQ(storage.GetLinkedData("Gain", out, 2), 0);
  EXPECT_EQ(std::string(out, 2), "xy");

  ASSERT_EQ(storage.LinkParamData("Gain", nullptr, 0), 0);
  EXPECT_EQ(storage.GetLinkedData("Gain", nullptr, 0), 0);
  EXPECT_EQ(storage.GetLinkedData("Gain", out, 0), 0);
  EXPECT_EQ(storage.LinkParamData("Gain", nullptr, 5), PARAM_ERR_BUFFER);
}

class Flush : public ::testing::Test {
 protected:
  Flush() : storage(5), a("A", &script.log), b("B", &script.log) {}
  void Add(_VemStParam param) { storage.AddParam(&WithCallbacks(param)); }
  CallbackScript script;
  OpenStorage storage;
  LoggingListener a, b;
};

TEST_F(Flush, EmptyQueueCallsNothing) {
  Add(IntParam("Gain", 0));
  storage.AddParamChangedListener("Gain", &a);
  EXPECT_EQ(storage.UpdateToObject(), 0);
  EXPECT_TRUE(script.log.empty());
}

TEST_F(Flush, EveryQueuedWriteIsAppliedWithTheLatestValue) {
  Add(IntParam("Gain", 0));
  Add(IntParam("Pan", 0));
  storage.AddParamChangedListener("Gain", &a);
  storage.AddParamChangedListener("Pan", &b);
  storage.SetParamInt("Gain", 5, false);
  storage.SetParamInt("Gain", 6, false);
  script.log.clear();
  EXPECT_EQ(storage.UpdateToObject(), 0);
  // Listeners of every name hear every flushed record.
  const bool gainFirst = (GenerateID("Gain") & 0x7FFFFFFF) % 151 >
                         (GenerateID("Pan") & 0x7FFFFFFF) % 151;
  const std::string first = gainFirst ? "listener A Gain=6" : "listener B Gain=6";
  const std::string second = gainFirst ? "listener B Gain=6" : "listener A Gain=6";
  EXPECT_EQ(script.log, (Log{"afterSet 5 Gain=6", first, second,
                             "afterSet 5 Gain=6", first, second}));
  EXPECT_TRUE(storage.QueuedNames().empty());
  script.log.clear();
  EXPECT_EQ(storage.UpdateToObject(), 0);
  EXPECT_TRUE(script.log.empty());
}

TEST_F(Flush, ReturnsTheLastNonZeroAfterSetResult) {
  Add(IntParam("Gain", 0));
  std::vector<int32_t> results;
  script.onAfterSet = [&](_VemStParam*) {
    script.afterSetResult = results.front();
    results.erase(results.begin());
  };
  results = {3, 0};
  storage.SetParamInt("Gain", 1, false);
  storage.SetParamInt("Gain", 2, false);
  EXPECT_EQ(storage.UpdateToObject(), 3);
  results = {3, 4};
  storage.SetParamInt("Gain", 1, false);
  storage.SetParamInt("Gain", 2, false);
  EXPECT_EQ(storage.UpdateToObject(), 4);
  EXPECT_TRUE(storage.QueuedNames().empty());
}

TEST_F(Flush, PassesOverRecordsWithoutAfterSet) {
  _VemStParam plain = IntParam("Plain", 0);
  storage.AddParam(&plain);
  Add(IntParam("Gain", 0));
  storage.AddParamChangedListener("Plain", &a);
  storage.SetParamInt("Plain", 1, false);
  storage.SetParamInt("Gain", 1, false);
  script.log.clear();
  storage.UpdateToObject();
  EXPECT_EQ(script.log, (Log{"afterSet 5 Gain=1", "listener A Gain=1"}));
}

TEST_F(Flush, ListsAreVisitedInTheTablesEnumerationOrder) {
  // Names chosen so their keys fall in different buckets of 151.
  const char* names[] = {"Alpha", "Beta", "Gamma", "Omega"};
  std::vector<std::unique_ptr<LoggingListener>> listeners;
  for (const char* name : names) {
    Add(IntParam(name, 0));
    listeners.emplace_back(new LoggingListener(name, &script.log));
    storage.AddParamChangedListener(name, listeners.back().get());
  }
  storage.SetParamInt("Alpha", 1, false);
  script.log.clear();
  storage.UpdateToObject();
  // Reference order: buckets from the highest index down.
  std::vector<std::pair<int32_t, std::string>> buckets;
  for (const char* name : names) {
    buckets.emplace_back((GenerateID(name) & 0x7FFFFFFF) % 151, name);
  }
  std::sort(buckets.begin(), buckets.end(),
            [](const auto& x, const auto& y) { return x.first > y.first; });
  Log expected{"afterSet 5 Alpha=1"};
  for (const auto& bucket : buckets) {
    expected.push_back("listener " + bucket.second + " Alpha=1");
  }
  EXPECT_EQ(script.log, expected);
}

TEST_F(Flush, WritesQueuedDuringTheFlushAreFlushedInTheSamePass) {
  Add(IntParam("Gain", 0));
  Add(IntParam("Pan", 0));
  storage.AddParamChangedListener("Gain", &a);
  a.onChange = [&](_VemStParam* copy) {
    if (std::string(copy->name) == "Gain") storage.SetParamInt("Pan", 9, false);
  };
  storage.SetParamInt("Gain", 1, false);
  script.log.clear();
  EXPECT_EQ(storage.UpdateToObject(), 0);
  EXPECT_EQ(script.log, (Log{"afterSet 5 Gain=1", "listener A Gain=1",
                             "beforeSet 5 Pan=0 new 9 size 8", "afterSet 5 Pan=9",
                             "listener A Pan=9"}));
  EXPECT_TRUE(storage.QueuedNames().empty());
}

TEST_F(Flush, ReplacedOrClearedRecordsAreNeverReached) {
  Add(IntParam("Gain", 0));
  Add(IntParam("Pan", 0));
  storage.SetParamInt("Gain", 1, false);
  storage.SetParamInt("Pan", 1, false);
  _VemStParam fresh = IntParam("Gain", 40);
  storage.AddParam(&WithCallbacks(fresh));
  EXPECT_EQ(storage.QueuedNames(), (Log{"Pan"}));
  script.log.clear();
  storage.UpdateToObject();
  EXPECT_EQ(script.log, (Log{"afterSet 5 Pan=1"}));

  storage.SetParamInt("Gain", 2, false);
  storage.ClearStorage();
  script.log.clear();
  EXPECT_EQ(storage.UpdateToObject(), 0);
  EXPECT_TRUE(script.log.empty());
}

TEST_F(Flush, CallbackClearingTheStorageMidFlushStopsSafely) {
  Add(IntParam("Gain", 0));
  Add(IntParam("Pan", 0));
  storage.AddParamChangedListener("Gain", &a);
  storage.AddParamChangedListener("Pan", &b);
  storage.SetParamInt("Gain", 1, false);
  storage.SetParamInt("Pan", 1, false);
  a.onChange = [&](_VemStParam*) { storage.ClearStorage(); };
  b.onChange = [&](_VemStParam*) { storage.ClearStorage(); };
  script.log.clear();
  EXPECT_EQ(storage.UpdateToObject(), 0);
  // One record applied; whichever listener ran first cleared everything.
  ASSERT_EQ(script.log.size(), 2u);
  EXPECT_EQ(script.log[0], "afterSet 5 Gain=1");
  EXPECT_TRUE(storage.QueuedNames().empty());
}

TEST_F(Flush, CallbackReplacingAQueuedRecordMidFlushKeepsThePosition) {
  Add(IntParam("Gain", 0));
  Add(IntParam("Pan", 0));
  storage.SetParamInt("Gain", 1, false);
  storage.SetParamInt("Pan", 2, false);
  script.onAfterSet = [&](_VemStParam* param) {
    if (std::string(param->name) == "Gain") {
      _VemStParam fresh = IntParam("Gain", 3);
      storage.AddParam(&fresh);
    }
  };
  script.log.clear();
  storage.UpdateToObject();
  EXPECT_EQ(script.log, (Log{"afterSet 5 Gain=1", "afterSet 5 Pan=2"}));
}

TEST(ParametersList, CountsAndCopiesInEnumerationOrder) {
  VemParamStorage storage(1);
  uint32_t count = 7;
  EXPECT_EQ(storage.GetParametersList(nullptr, &count), 0);
  EXPECT_EQ(count, 0u);
  const char* names[] = {"Gain", "Pan", "Title"};
  for (const char* name : names) {
    _VemStParam param = IntParam(name, 1);
    storage.AddParam(&param);
  }
  EXPECT_EQ(storage.GetParametersList(nullptr, &count), 0);
  EXPECT_EQ(count, 3u);

  _VemStParam list[5];
  std::strcpy(list[0].name, "untouched");
  count = 2;
  EXPECT_EQ(storage.GetParametersList(list, &count), PARAM_ERR_BUFFER);
  EXPECT_EQ(count, 3u);
  EXPECT_STREQ(list[0].name, "untouched");

  std::strcpy(list[3].name, "spare");
  count = 5;
  EXPECT_EQ(storage.GetParametersList(list, &count), 0);
  EXPECT_EQ(count, 3u);
  EXPECT_STREQ(list[3].name, "spare");
  std::vector<std::pair<int32_t, std::string>> expected;
  for (const char* name : names) {
    expected.emplace_back((GenerateID(name) & 0x7FFFFFFF) % 151, name);
  }
  std::sort(expected.begin(), expected.end(),
            [](const auto& x, const auto& y) { return x.first > y.first; });
  for (int i = 0; i < 3; ++i) EXPECT_EQ(expected[i].second, list[i].name);
  EXPECT_EQ(storage.GetParametersList(list, nullptr), PARAM_ERR_BUFFER);
}

TEST(ParametersList, CopiesPointIntoTheStoragesBuffers) {
  VemParamStorage storage(1);
  _VemStParam title = StringParam("Title", "abc");
  storage.AddParam(&title);
  _VemStParam list[1];
  uint32_t count = 1;
  ASSERT_EQ(storage.GetParametersList(list, &count), 0);
  EXPECT_EQ(list[0].strVal.current, title.strVal.current);
}

TEST(DirectoryHooks, DoNothingAndSucceed) {
  VemParamStorage storage(1);
  char dir[8] = "abc";
  EXPECT_EQ(storage.ChangeDir(dir), 0);
  EXPECT_EQ(storage.GetDir(dir), 0);
  EXPECT_EQ(storage.UpdateFromObject(), 0);
  EXPECT_STREQ(dir, "abc");
}

}  // namespace
