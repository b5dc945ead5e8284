// The record, declaring parameters, raw writes, clearing, and the registry.
#include <cstddef>
#include <cstring>
#include <new>

#include <gtest/gtest.h>

#include "VemParams.h"
#include "tests/params/param_fixtures.h"

using namespace paramtest;

namespace {

TEST(ParamRecord, DefaultRecordIsAnEmptyReadWriteInteger) {
  alignas(_VemStParam) unsigned char raw[sizeof(_VemStParam)];
  std::memset(raw, 0xAB, sizeof(raw));
  auto* param = new (raw) _VemStParam;
  EXPECT_EQ(param->type, PARAM_TYPE_INT);
  EXPECT_EQ(param->access, PARAM_ACCESS_READ | PARAM_ACCESS_WRITE);
  EXPECT_EQ(param->name[0], '\0');
  EXPECT_EQ(param->pfnBeforeGet, nullptr);
  EXPECT_EQ(param->pfnAfterSet, nullptr);
  for (size_t i = offsetof(_VemStParam, intVal); i < sizeof(raw); ++i) {
    ASSERT_EQ(raw[i], 0) << "value area byte " << i;
  }
}

TEST(ParamRecord, ScratchRecordIsDefaultAtLoad) {
  EXPECT_EQ(_g_tmp_param.type, PARAM_TYPE_INT);
  EXPECT_EQ(_g_tmp_param.access, 3u);
  EXPECT_EQ(_g_tmp_param.name[0], '\0');
  EXPECT_EQ(_g_tmp_param.pfnBeforeSet, nullptr);
  EXPECT_EQ(_g_tmp_param.intVal.current, 0);
  EXPECT_EQ(_g_tmp_param.intVal.max, 0);
}

TEST(AddParam, CompletesScalarsInTheCallersRecord) {
  VemParamStorage storage(1);
  _VemStParam i = IntParam("Gain", 7);
  _VemStParam b = BoolParam("Mute", true);
  _VemStParam f = FloatParam("Pan", -0.25);
  ASSERT_EQ(storage.AddParam(&i), 0);
  ASSERT_EQ(storage.AddParam(&b), 0);
  ASSERT_EQ(storage.AddParam(&f), 0);
  EXPECT_EQ(i.intVal.current, 7);
  EXPECT_TRUE(b.boolVal.current);
  EXPECT_EQ(f.floatVal.current, -0.25);

  _VemStParam out;
  ASSERT_EQ(storage.GetParamData("Gain", &out), 0);
  EXPECT_EQ(out.intVal.current, 7);
  EXPECT_STREQ(out.name, "Gain");
  ASSERT_EQ(storage.GetParamData("Mute", &out), 0);
  EXPECT_EQ(out.type, PARAM_TYPE_BOOL);
  EXPECT_TRUE(out.boolVal.current);
  ASSERT_EQ(storage.GetParamData("Pan", &out), 0);
  EXPECT_EQ(out.floatVal.current, -0.25);
}

TEST(AddParam, StringGetsTheStoragesOwnCopy) {
  VemParamStorage storage(1);
  char text[] = "hello";
  _VemStParam s = StringParam("Title", text);
  ASSERT_EQ(storage.AddParam(&s), 0);
  EXPECT_EQ(s.strVal.initial, text);
  ASSERT_NE(s.strVal.current, nullptr);
  EXPECT_NE(s.strVal.current, text);
  text[0] = 'J';  // the caller's text is not the value
  _VemStParam out;
  ASSERT_EQ(storage.GetParamData("Title", &out), 0);
  EXPECT_STREQ(out.strVal.current, "hello");
  EXPECT_EQ(out.strVal.current, s.strVal.current);
}

TEST(AddParam, NullInitialTextBecomesEmptyString) {
  VemParamStorage storage(1);
  _VemStParam s = StringParam("Title", nullptr);
  ASSERT_EQ(storage.AddParam(&s), 0);
  ASSERT_NE(s.strVal.initial, nullptr);
  EXPECT_STREQ(s.strVal.initial, "");
  ASSERT_NE(s.strVal.current, nullptr);
  EXPECT_STREQ(s.strVal.current, "");
}

TEST(AddParam, ArrayGetsItsOwnBufferOfInitialSize) {
  VemParamStorage storage(1);
  const unsigned char bytes[4] = {1, 2, 3, 4};
  _VemStParam a = ArrayParam("Curve", bytes, 4);
  ASSERT_EQ(storage.AddParam(&a), 0);
  _VemStParam out;
  ASSERT_EQ(storage.GetParamData("Curve", &out), 0);
  EXPECT_EQ(out.arrVal.size, 4u);
  ASSERT_NE(out.arrVal.current, nullptr);
  EXPECT_NE(out.arrVal.current, static_cast<const void*>(bytes));
  EXPECT_EQ(std::memcmp(out.arrVal.current, bytes, 4), 0);
  EXPECT_EQ(a.arrVal.current, out.arrVal.current);
}

TEST(AddParam, EmptyArrayHasNoBufferEvenIfCallerLeftAPointer) {
  VemParamStorage storage(1);
  _VemStParam a = ArrayParam("Curve", nullptr, 0);
  int stray = 0;
  a.arrVal.current = &stray;  // not the storage's to free
  ASSERT_EQ(storage.AddParam(&a), 0);
  EXPECT_EQ(a.arrVal.size, 0u);
  EXPECT_EQ(a.arrVal.current, nullptr);
}

TEST(AddParam, ArrayWithoutInitialBytesIsZeroFilled) {
  VemParamStorage storage(1);
  _VemStParam a = ArrayParam("Curve", nullptr, 3);
  ASSERT_EQ(storage.AddParam(&a), 0);
  unsigned char out[3] = {9, 9, 9};
  uint32_t length = sizeof(out);
  ASSERT_EQ(storage.GetParamArray("Curve", out, &length), 0);
  EXPECT_EQ(length, 3u);
  EXPECT_EQ(out[0] | out[1] | out[2], 0);
}

TEST(AddParam, UnknownTypeOrUnterminatedNameIsRefusedWithoutChange) {
  VemParamStorage storage(1);
  _VemStParam bad = IntParam("Gain", 7);
  bad.type = 5;
  const _VemStParam before = bad;
  EXPECT_EQ(storage.AddParam(&bad), PARAM_ERR_TYPE);
  EXPECT_EQ(std::memcmp(&bad, &before, sizeof(bad)), 0);
  uint32_t count = 99;
  EXPECT_EQ(storage.GetParametersList(nullptr, &count), 0);
  EXPECT_EQ(count, 0u);

  _VemStParam unterminated = IntParam("", 1);
  std::memset(unterminated.name, 'x', sizeof(unterminated.name));
  EXPECT_EQ(storage.AddParam(&unterminated), PARAM_ERR_TYPE);
  EXPECT_EQ(unterminated.intVal.current, 0);
  EXPECT_EQ(storage.GetParametersList(nullptr, &count), 0);
  EXPECT_EQ(count, 0u);

  EXPECT_EQ(storage.AddParam(nullptr), PARAM_ERR_BUFFER);
}

TEST(AddParam, CallerBoolBytesAreReadAsTruthValues) {
  VemParamStorage storage(1);
  _VemStParam b = BoolParam("Mute", false);
  const unsigned char junk = 0x5A;
  std::memcpy(&b.boolVal.initial, &junk, 1);
  ASSERT_EQ(storage.AddParam(&b), 0);
  bool value = false;
  ASSERT_EQ(storage.GetParamBool("Mute", &value), 0);
  EXPECT_TRUE(value);
}

TEST(AddParam, SameNameReplacesTheRecord) {
  VemParamStorage storage(1);
  _VemStParam first = IntParam("Gain", 1);
  _VemStParam second = IntParam("Gain", 2);
  ASSERT_EQ(storage.AddParam(&first), 0);
  ASSERT_EQ(storage.AddParam(&second), 0);
  int64_t value = 0;
  ASSERT_EQ(storage.GetParamInt("Gain", &value), 0);
  EXPECT_EQ(value, 2);
  uint32_t count = 0;
  storage.GetParametersList(nullptr, &count);
  EXPECT_EQ(count, 1u);
}

TEST(AddParam, NamesWithEqualKeysAreOneParameter) {
  ASSERT_EQ(GenerateID("Aa"), 2112);
  ASSERT_EQ(GenerateID("BB"), 2112);
  VemParamStorage storage(1);
  _VemStParam aa = StringParam("Aa", "first");
  _VemStParam bb = StringParam("BB", "second");
  ASSERT_EQ(storage.AddParam(&aa), 0);
  ASSERT_EQ(storage.AddParam(&bb), 0);
  _VemStParam out;
  ASSERT_EQ(storage.GetParamData("Aa", &out), 0);
  EXPECT_STREQ(out.name, "BB");
  EXPECT_STREQ(out.strVal.current, "second");
  EXPECT_EQ(storage.SetParamString("Aa", "third", true), 0);
  ASSERT_EQ(storage.GetParamData("BB", &out), 0);
  EXPECT_STREQ(out.strVal.current, "third");
}

TEST(AddParam, RunsNoCallback) {
  CallbackScript script;
  VemParamStorage storage(1);
  _VemStParam gain = IntParam("Gain", 1);
  ASSERT_EQ(storage.AddParam(&WithCallbacks(gain)), 0);
  EXPECT_TRUE(script.log.empty());
}

TEST(GetParamData, MissingNameLeavesOutputUntouched) {
  VemParamStorage storage(1);
  _VemStParam out = IntParam("Sentinel", 42);
  EXPECT_EQ(storage.GetParamData("Gain", &out), PARAM_ERR_NOT_FOUND);
  EXPECT_STREQ(out.name, "Sentinel");
  EXPECT_EQ(out.intVal.initial, 42);
  _VemStParam gain = IntParam("Gain", 1);
  storage.AddParam(&gain);
  EXPECT_EQ(storage.GetParamData("Gain", nullptr), PARAM_ERR_BUFFER);
}

TEST(SetParam, ScalarSizeMustMatchButAccessAndRangeAreIgnored) {
  OpenStorage storage(1);
  _VemStParam gain = IntParam("Gain", 5, 0, 10);
  gain.access = 0;
  ASSERT_EQ(storage.AddParam(&gain), 0);
  _VemStParam* stored = storage.Stored("Gain");
  const int64_t big = 1000;
  EXPECT_EQ(storage.SetParam(stored, &big, 4), PARAM_ERR_TYPE);
  EXPECT_EQ(stored->intVal.current, 5);
  EXPECT_EQ(storage.SetParam(stored, &big, 8), 0);
  EXPECT_EQ(stored->intVal.current, 1000);

  _VemStParam mute = BoolParam("Mute", false);
  storage.AddParam(&mute);
  const bool on = true;
  EXPECT_EQ(storage.SetParam(storage.Stored("Mute"), &on, 8), PARAM_ERR_TYPE);
  EXPECT_EQ(storage.SetParam(storage.Stored("Mute"), &on, 1), 0);
  EXPECT_TRUE(storage.Stored("Mute")->boolVal.current);
}

TEST(SetParam, TextAndBytesReplaceTheValue) {
  OpenStorage storage(1);
  _VemStParam title = StringParam("Title", "ab");
  _VemStParam curve = ArrayParam("Curve", "\1\2\3", 3);
  storage.AddParam(&title);
  storage.AddParam(&curve);
  _VemStParam* text = storage.Stored("Title");
  EXPECT_EQ(storage.SetParam(text, "longer text", 12), 0);
  EXPECT_STREQ(text->strVal.current, "longer text");
  EXPECT_EQ(storage.SetParam(text, "abc", 3), PARAM_ERR_TYPE);  // no NUL
  EXPECT_STREQ(text->strVal.current, "longer text");

  _VemStParam* bytes = storage.Stored("Curve");
  EXPECT_EQ(storage.SetParam(bytes, "\7\7\7\7\7", 5), 0);
  EXPECT_EQ(bytes->arrVal.size, 5u);
  EXPECT_EQ(storage.SetParam(bytes, "\4", 1), 0);
  EXPECT_EQ(bytes->arrVal.size, 1u);
  EXPECT_EQ(static_cast<char*>(bytes->arrVal.current)[0], 4);
  EXPECT_EQ(storage.SetParam(bytes, nullptr, 2), PARAM_ERR_BUFFER);
  EXPECT_EQ(bytes->arrVal.size, 1u);
}

TEST(SetParam, RunsNothingElseAndRefusesForeignRecords) {
  CallbackScript script;
  OpenStorage storage(1);
  LoggingListener listener("L", &script.log);
  _VemStParam gain = IntParam("Gain", 1);
  storage.AddParam(&WithCallbacks(gain));
  storage.AddParamChangedListener("Gain", &listener);
  const int64_t v = 3;
  EXPECT_EQ(storage.SetParam(storage.Stored("Gain"), &v, 8), 0);
  EXPECT_TRUE(script.log.empty());
  EXPECT_TRUE(storage.QueuedNames().empty());

  _VemStParam foreign = IntParam("Gain", 1);
  EXPECT_EQ(storage.SetParam(&foreign, &v, 8), PARAM_ERR_NOT_FOUND);
  EXPECT_EQ(storage.SetParam(nullptr, &v, 8), PARAM_ERR_NOT_FOUND);
}

TEST(ClearStorage, ForgetsEveryParameterAndAcceptsNewOnes) {
  OpenStorage storage(1);
  CallbackScript script;
  LoggingListener listener("L", &script.log);
  _VemStParam gain = IntParam("Gain", 1);
  _VemStParam title = StringParam("Title", "x");
  storage.AddParam(&WithCallbacks(gain));
  storage.AddParam(&title);
  storage.AddParamChangedListener("Gain", &listener);
  storage.LinkParamData("Gain", "abc", 3);
  storage.SetParamInt("Gain", 2, false);
  script.log.clear();

  storage.ClearStorage();
  _VemStParam out;
  EXPECT_EQ(storage.GetParamData("Gain", &out), PARAM_ERR_NOT_FOUND);
  EXPECT_EQ(storage.GetParamData("Title", &out), PARAM_ERR_NOT_FOUND);
  EXPECT_TRUE(storage.QueuedNames().empty());
  EXPECT_EQ(storage.UpdateToObject(), 0);
  EXPECT_TRUE(script.log.empty());

  _VemStParam again = IntParam("Gain", 9);
  ASSERT_EQ(storage.AddParam(&again), 0);
  char block[3];
  EXPECT_EQ(storage.GetLinkedData("Gain", block, 3), PARAM_ERR_NOT_FOUND);
  EXPECT_EQ(storage.RemoveParamChangedListener("Gain", &listener),
            PARAM_ERR_NOT_FOUND);
  EXPECT_EQ(storage.SetParamInt("Gain", 4, true), 0);
  EXPECT_TRUE(script.log.empty());  // the old listener is gone
}

TEST(StorageRegistry, FindsOnlyRegisteredStorages) {
  VemParamStorage first(70001);
  VemParamStorage second(70001);
  EXPECT_EQ(VemParamStorage::GetStorage(70001), nullptr);
  VemParamStorage::AddStorage(70001, &first);
  EXPECT_EQ(VemParamStorage::GetStorage(70001), &first);
  VemParamStorage::AddStorage(70001, &second);
  EXPECT_EQ(VemParamStorage::GetStorage(70001), &second);
  VemParamStorage::AddStorage(70001, nullptr);
  EXPECT_EQ(VemParamStorage::GetStorage(70001), &second);

  // Identifiers with bit 31 set are keys of their own.
  VemParamStorage high(0x80000001u);
  VemParamStorage::AddStorage(0x80000001u, &high);
  EXPECT_EQ(VemParamStorage::GetStorage(0x80000001u), &high);
  EXPECT_EQ(VemParamStorage::GetStorage(1), nullptr);

  // The registry never deletes a storage; take the test's entries out again.
  VemParamStorage::s_storages.Remove(70001);
  VemParamStorage::s_storages.Remove(static_cast<int32_t>(0x80000001u));
}

}  // namespace
