// The parameter storage against its model under seeded random operations,
// and what the model leaves out: the protected raw write, the registry of
// storages, the scratch record, copies that share the storage's buffers, and
// callbacks that replace the very record being read, written, flushed or
// announced (run under ASan, these catch a record used after its release).
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "VemParams.h"
#include "tests/support/model_runs.h"

namespace {

TEST(ParamsModel, StorageMatchesTheModel) { vem_test::RunSeeds(vem_test::RunParams, 600, 1200); }

std::function<void()> g_hook;  // what the callbacks below do besides logging
std::vector<std::string> g_log;

int32_t LogAfterSet(uint32_t, _VemStParam* p) {
  g_log.push_back(std::string(p->name) + "=" + std::to_string(p->intVal.current));
  if (g_hook) g_hook();
  return 0;
}
int32_t HookBeforeSet(uint32_t, _VemStParam*, void*, uint32_t) {
  if (g_hook) g_hook();
  return 0;
}
int32_t HookBeforeGet(uint32_t, _VemStParam*) {
  if (g_hook) g_hook();
  return 0;
}

_VemStParam Int(const char* name, int64_t initial) {
  _VemStParam p;
  std::strcpy(p.name, name);
  p.intVal.initial = initial;
  p.intVal.min = -100;
  p.intVal.max = 100;
  p.pfnAfterSet = LogAfterSet;
  p.pfnBeforeSet = HookBeforeSet;
  p.pfnBeforeGet = HookBeforeGet;
  return p;
}

struct Storage : VemParamStorage {
  using VemParamStorage::SetParam;
  explicit Storage(uint32_t id) : VemParamStorage(id) {}
  void Add(_VemStParam p) { ASSERT_EQ(AddParam(&p), 0); }
  _VemStParam* Stored(const char* name) { return m_params.Get(GenerateID(name)); }
};

struct LoggingListener : VemParamListener {
  std::function<void()> onChange;
  int32_t OnParamChanged(_VemStParam* p) override {
    g_log.push_back("heard " + std::to_string(p->intVal.current));
    if (onChange) onChange();
    return 0;
  }
};

class Reentry : public ::testing::Test {
 protected:
  void SetUp() override {
    g_log.clear();
    storage.Add(Int("Gain", 1));
    storage.Add(Int("Pan", 2));
  }
  void TearDown() override { g_hook = nullptr; }
  // The hook re-adds Gain, with 50, once.
  void ReplaceGainOnce() {
    g_hook = [this] {
      g_hook = nullptr;
      storage.Add(Int("Gain", 50));
    };
  }
  Storage storage{5};
};

TEST_F(Reentry, ReplacedDuringAReadOrWriteEndsItAsNotFound) {
  int64_t value = 0;
  ReplaceGainOnce();
  EXPECT_EQ(storage.GetParamInt("Gain", &value), PARAM_ERR_NOT_FOUND);
  EXPECT_EQ(value, 0);
  ReplaceGainOnce();
  EXPECT_EQ(storage.SetParamInt("Gain", 7, false), PARAM_ERR_NOT_FOUND);
  EXPECT_EQ(storage.GetParamInt("Gain", &value), 0);
  EXPECT_EQ(value, 50);
  EXPECT_EQ(storage.UpdateToObject(), 0);
  EXPECT_TRUE(g_log.empty());
}

TEST_F(Reentry, ReplacedDuringAFlushOrANotificationIsNeverReached) {
  storage.SetParamInt("Gain", 3, false);
  storage.SetParamInt("Pan", 4, false);
  storage.SetParamInt("Gain", 5, false);
  ReplaceGainOnce();  // by Gain's first application
  EXPECT_EQ(storage.UpdateToObject(), 0);
  EXPECT_EQ(g_log, (std::vector<std::string>{"Gain=5", "Pan=4"}));
  g_log.clear();
  LoggingListener a, b;
  storage.AddParamChangedListener("Gain", &a);
  storage.AddParamChangedListener("Gain", &b);
  // The replaced record must outlive the nested read that follows, as b is
  // still to be handed a copy of it.
  a.onChange = [this] {
    storage.Add(Int("Gain", 77));
    int64_t pan = 0;
    EXPECT_EQ(storage.GetParamInt("Pan", &pan), 0);
  };
  EXPECT_EQ(storage.SetParamInt("Gain", 9, true), 0);
  // b still hears the value written, from its own copy of the replaced record.
  EXPECT_EQ(g_log, (std::vector<std::string>{"Gain=9", "heard 9", "heard 9"}));
  EXPECT_EQ(storage.Stored("Gain")->intVal.current, 77);
}

TEST_F(Reentry, TextFromTheStoragesOwnBufferAndCopiesThatShareIt) {
  _VemStParam text;
  std::strcpy(text.name, "Title");
  text.type = PARAM_TYPE_STRING;
  text.strVal.initial = "a text long enough to matter";
  storage.Add(text);
  EXPECT_EQ(storage.SetParamString("Title", storage.Stored("Title")->strVal.current + 2, true), 0);
  _VemStParam list[3], copy;
  uint32_t count = 3;
  ASSERT_EQ(storage.GetParametersList(list, &count), 0);
  ASSERT_EQ(storage.GetParamData("Title", &copy), 0);
  EXPECT_STREQ(copy.strVal.current, "text long enough to matter");
  EXPECT_TRUE(list[0].strVal.current == copy.strVal.current || list[1].strVal.current == copy.strVal.current ||
              list[2].strVal.current == copy.strVal.current);
  char dir[4] = "";
  EXPECT_EQ(storage.GetDir(dir) + storage.ChangeDir(dir) + storage.UpdateFromObject(), 0);
}

// The protected raw write: scalar sizes must match, strings must end in
// their NUL; access, range, callbacks, listeners and the queue play no part.
TEST_F(Reentry, RawWriteChecksOnlyTheValuesShape) {
  _VemStParam text;
  std::strcpy(text.name, "Title");
  text.type = PARAM_TYPE_STRING;
  storage.Add(text);
  std::strcpy(text.name, "Bytes");
  text.type = PARAM_TYPE_ARRAY;
  storage.Add(text);
  _VemStParam* gain = storage.Stored("Gain");
  gain->access = 0;
  const int64_t outside = 1000;
  const struct {
    _VemStParam* record;
    const void* value;
    uint32_t size;
    int32_t result;
  } rows[] = {{gain, &outside, 4, PARAM_ERR_TYPE},
              {gain, &outside, 8, 0},
              {storage.Stored("Title"), "ab", 2, PARAM_ERR_TYPE},
              {storage.Stored("Title"), "ab", 3, 0},
              {storage.Stored("Bytes"), "xyz", 3, 0},
              {nullptr, &outside, 8, PARAM_ERR_NOT_FOUND}};
  for (const auto& row : rows) EXPECT_EQ(storage.SetParam(row.record, row.value, row.size), row.result) << row.size;
  EXPECT_EQ(gain->intVal.current, 1000);
  EXPECT_STREQ(storage.Stored("Title")->strVal.current, "ab");
  EXPECT_EQ(std::memcmp(storage.Stored("Bytes")->arrVal.current, "xyz", 3), 0);
  _VemStParam foreign = Int("Gain", 1);
  EXPECT_EQ(storage.SetParam(&foreign, &outside, 8), PARAM_ERR_NOT_FOUND);
  EXPECT_EQ(storage.UpdateToObject(), 0);
  EXPECT_TRUE(g_log.empty());
}

TEST(StorageRegistry, FindsOnlyRegisteredStoragesAndTheScratchRecordIsDefault) {
  VemParamStorage first(4242), second(4242);
  EXPECT_EQ(VemParamStorage::GetStorage(4242), nullptr);
  VemParamStorage::AddStorage(4242, &first);
  VemParamStorage::AddStorage(4242, nullptr);
  EXPECT_EQ(VemParamStorage::GetStorage(4242), &first);
  VemParamStorage::AddStorage(4242, &second);
  EXPECT_EQ(VemParamStorage::GetStorage(4242), &second);
  VemParamStorage::s_storages.Remove(4242);
  const _VemStParam& t = _g_tmp_param;
  EXPECT_TRUE(t.type == 0 && t.access == 3 && t.name[0] == '\0');
  EXPECT_TRUE(t.pfnBeforeGet == nullptr && t.pfnAfterGet == nullptr && t.pfnBeforeSet == nullptr &&
              t.pfnAfterSet == nullptr);
  EXPECT_TRUE(t.intVal.current == 0 && t.intVal.initial == 0 && t.intVal.min == 0 && t.intVal.max == 0);
  EXPECT_TRUE(!t.intVal.minExclusive && !t.intVal.maxExclusive);
}

// The numbers that callers compiled elsewhere rely on, written out: type
// codes, access bits and result codes; and bool bytes other than 0 and 1
// given to AddParam are stored as true.
TEST(ParamCodes, DocumentedNumbersAndTruthBytes) {
  VemParamStorage storage(3);
  _VemStParam gain, text, copy;
  std::strcpy(gain.name, "Gain");
  gain.type = 5;
  EXPECT_EQ(storage.AddParam(&gain), -7001);
  gain.type = 0;
  gain.access = 2;
  gain.intVal.max = 10;
  std::strcpy(text.name, "Text");
  text.type = 3;
  text.access = 1;
  ASSERT_TRUE(storage.AddParam(&gain) == 0 && storage.AddParam(&text) == 0);
  char buffer[1];
  uint32_t length = 0;
  int64_t value = 0;
  EXPECT_EQ(storage.SetParamInt("Gain", 11, true), -7002);
  EXPECT_EQ(storage.SetParamString("Text", "x", true), -7003);
  EXPECT_EQ(storage.GetParamInt("Gain", &value), -7003);
  EXPECT_EQ(storage.GetParamData("None", &copy), -7004);
  EXPECT_EQ(storage.GetParamString("Text", buffer, &length), -7005);
  for (uint32_t type : {0u, 1u, 2u}) {
    _VemStParam r;
    std::strcpy(r.name, "Flags");
    r.type = type;
    const size_t offsets[] = {
        type == 1 ? offsetof(_VemStParam, boolVal.initial) : offsetof(_VemStParam, intVal.minExclusive),
        type == 1 ? offsetof(_VemStParam, boolVal.initial) : offsetof(_VemStParam, intVal.maxExclusive)};
    static_assert(offsetof(_VemStParam, intVal.minExclusive) == offsetof(_VemStParam, floatVal.minExclusive), "arms");
    for (size_t offset : offsets) reinterpret_cast<unsigned char*>(&r)[offset] = 2;
    ASSERT_EQ(storage.AddParam(&r), 0);
    ASSERT_EQ(storage.GetParamData("Flags", &copy), 0);
    for (size_t offset : offsets)
      EXPECT_EQ(reinterpret_cast<unsigned char*>(&copy)[offset], 1) << type << " " << offset;
  }
}

}  // namespace
