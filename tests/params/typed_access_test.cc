// Typed setters and getters: callbacks with their order and arguments,
// access flags, ranges, type checks, buffers, and what a failure leaves alone.
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "VemParams.h"
#include "tests/params/param_fixtures.h"

using namespace paramtest;
using Log = std::vector<std::string>;

namespace {

class TypedAccess : public ::testing::Test {
 protected:
  TypedAccess() : storage(7), listener("L", &script.log) {}

  void Add(_VemStParam param, bool callbacks = true) {
    if (callbacks) WithCallbacks(param);
    ASSERT_EQ(storage.AddParam(&param), 0);
  }

  CallbackScript script;
  OpenStorage storage;
  LoggingListener listener;
};

TEST_F(TypedAccess, NotifiedWriteRunsCallbacksThenListeners) {
  Add(IntParam("Gain", 1));
  storage.AddParamChangedListener("Gain", &listener);
  script.afterSetResult = 9;
  EXPECT_EQ(storage.SetParamInt("Gain", 12, true), 9);
  EXPECT_EQ(script.log, (Log{"beforeSet 7 Gain=1 new 12 size 8",
                             "afterSet 7 Gain=12", "listener L Gain=12"}));
  EXPECT_TRUE(storage.QueuedNames().empty());
}

TEST_F(TypedAccess, EachTypeHandsBeforeSetItsValueAndSize) {
  Add(BoolParam("Mute", false));
  Add(FloatParam("Pan", 0));
  Add(StringParam("Title", "ab"));
  Add(ArrayParam("Curve", nullptr, 0));
  const char* text = "hello";
  script.onBeforeSet = [&](_VemStParam* param, void* value, uint32_t) {
    if (param->type == PARAM_TYPE_STRING) {
      EXPECT_EQ(value, static_cast<const void*>(text));  // the caller's own text
    }
  };
  EXPECT_EQ(storage.SetParamBool("Mute", true, true), 0);
  EXPECT_EQ(storage.SetParamFloat("Pan", 0.5, true), 0);
  EXPECT_EQ(storage.SetParamString("Title", text, true), 0);
  EXPECT_EQ(storage.SetParamArray("Curve", "\1\2\3", 3, true), 0);
  EXPECT_EQ(script.log,
            (Log{"beforeSet 7 Mute=false new true size 1", "afterSet 7 Mute=true",
                 "beforeSet 7 Pan=0 new 0.5 size 8", "afterSet 7 Pan=0.5",
                 "beforeSet 7 Title=\"ab\" new \"hello\" size 6",
                 "afterSet 7 Title=\"hello\"",
                 "beforeSet 7 Curve=[] new [01 02 03] size 3",
                 "afterSet 7 Curve=[01 02 03]"}));
}

TEST_F(TypedAccess, BeforeSetVetoChangesNothing) {
  Add(IntParam("Gain", 1));
  storage.AddParamChangedListener("Gain", &listener);
  script.beforeSetResult = 5;
  EXPECT_EQ(storage.SetParamInt("Gain", 2, true), 5);
  EXPECT_EQ(storage.SetParamInt("Gain", 2, false), 5);
  EXPECT_EQ(script.log.size(), 2u);  // the two vetoes, nothing after them
  EXPECT_TRUE(storage.QueuedNames().empty());
  EXPECT_EQ(storage.Stored("Gain")->intVal.current, 1);
}

TEST_F(TypedAccess, BeforeSetMayRewriteScalarsIntoRange) {
  Add(IntParam("Gain", 1, 0, 10));
  Add(FloatParam("Pan", 0, -1, 1));
  script.onBeforeSet = [](_VemStParam* param, void* value, uint32_t) {
    if (param->type == PARAM_TYPE_INT) *static_cast<int64_t*>(value) = 10;
    if (param->type == PARAM_TYPE_FLOAT) *static_cast<double*>(value) = -1;
  };
  EXPECT_EQ(storage.SetParamInt("Gain", 500, true), 0);
  EXPECT_EQ(storage.SetParamFloat("Pan", 7.5, true), 0);
  EXPECT_EQ(storage.Stored("Gain")->intVal.current, 10);
  EXPECT_EQ(storage.Stored("Pan")->floatVal.current, -1);
}

TEST_F(TypedAccess, IntegerRangeBoundsInclusiveAndExclusive) {
  Add(IntParam("Gain", 5, 0, 10), false);
  EXPECT_EQ(storage.SetParamInt("Gain", 0, true), 0);
  EXPECT_EQ(storage.SetParamInt("Gain", 10, true), 0);
  EXPECT_EQ(storage.SetParamInt("Gain", -1, true), PARAM_ERR_RANGE);
  EXPECT_EQ(storage.SetParamInt("Gain", 11, true), PARAM_ERR_RANGE);
  EXPECT_EQ(storage.Stored("Gain")->intVal.current, 10);
  storage.Stored("Gain")->intVal.minExclusive = true;
  EXPECT_EQ(storage.SetParamInt("Gain", 0, true), PARAM_ERR_RANGE);
  EXPECT_EQ(storage.SetParamInt("Gain", 1, true), 0);
  storage.Stored("Gain")->intVal.maxExclusive = true;
  EXPECT_EQ(storage.SetParamInt("Gain", 10, true), PARAM_ERR_RANGE);
  EXPECT_EQ(storage.SetParamInt("Gain", 9, true), 0);
  EXPECT_EQ(storage.Stored("Gain")->intVal.current, 9);
}

TEST_F(TypedAccess, IntegerRangeUsesSignedSixtyFourBitComparison) {
  Add(IntParam("Big", 0, INT64_MIN, INT64_MAX), false);
  EXPECT_EQ(storage.SetParamInt("Big", INT64_MIN, true), 0);
  EXPECT_EQ(storage.SetParamInt("Big", INT64_MAX, true), 0);
  Add(IntParam("Empty", 0, 5, 4), false);  // min above max rejects everything
  EXPECT_EQ(storage.SetParamInt("Empty", 4, true), PARAM_ERR_RANGE);
  EXPECT_EQ(storage.SetParamInt("Empty", 5, true), PARAM_ERR_RANGE);
}

TEST_F(TypedAccess, FloatRangeLetsNaNThrough) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  Add(FloatParam("Pan", 0, -1, 1), false);
  EXPECT_EQ(storage.SetParamFloat("Pan", 1.5, true), PARAM_ERR_RANGE);
  EXPECT_EQ(storage.SetParamFloat("Pan", nan, true), 0);
  EXPECT_TRUE(std::isnan(storage.Stored("Pan")->floatVal.current));
  storage.Stored("Pan")->floatVal.maxExclusive = true;
  EXPECT_EQ(storage.SetParamFloat("Pan", 1.0, true), PARAM_ERR_RANGE);
  storage.Stored("Pan")->floatVal.max = nan;
  EXPECT_EQ(storage.SetParamFloat("Pan", 1e300, true), 0);
  EXPECT_EQ(storage.SetParamFloat("Pan", -2, true), PARAM_ERR_RANGE);
  storage.Stored("Pan")->floatVal.minExclusive = true;
  storage.Stored("Pan")->floatVal.min = nan;
  EXPECT_EQ(storage.SetParamFloat("Pan", -1e300, true), 0);
}

TEST_F(TypedAccess, ReadOnlyRefusesWritesAfterBeforeSet) {
  _VemStParam gain = IntParam("Gain", 1);
  gain.access = PARAM_ACCESS_READ;
  Add(gain);
  _VemStParam title = StringParam("Title", "a");
  title.access = PARAM_ACCESS_READ;
  Add(title);
  EXPECT_EQ(storage.SetParamInt("Gain", 2, true), PARAM_ERR_ACCESS);
  EXPECT_EQ(storage.SetParamString("Title", "b", false), PARAM_ERR_ACCESS);
  EXPECT_EQ(script.log, (Log{"beforeSet 7 Gain=1 new 2 size 8",
                             "beforeSet 7 Title=\"a\" new \"b\" size 2"}));
  EXPECT_EQ(storage.Stored("Gain")->intVal.current, 1);
  EXPECT_TRUE(storage.QueuedNames().empty());
}

TEST_F(TypedAccess, WriteOnlyRefusesReadsAfterBeforeGet) {
  _VemStParam gain = IntParam("Gain", 1);
  gain.access = PARAM_ACCESS_WRITE;
  Add(gain);
  _VemStParam title = StringParam("Title", "abc");
  title.access = PARAM_ACCESS_WRITE;
  Add(title);
  int64_t value = -5;
  EXPECT_EQ(storage.GetParamInt("Gain", &value), PARAM_ERR_ACCESS);
  EXPECT_EQ(value, -5);
  char buffer[8] = "zzzzzzz";
  uint32_t length = sizeof(buffer);
  EXPECT_EQ(storage.GetParamString("Title", buffer, &length), PARAM_ERR_ACCESS);
  EXPECT_EQ(length, sizeof(buffer));
  EXPECT_STREQ(buffer, "zzzzzzz");
  EXPECT_EQ(script.log, (Log{"beforeGet 7 Gain=1", "beforeGet 7 Title=\"abc\""}));
}

TEST_F(TypedAccess, NotifyWithoutAfterSetStoresOnly) {
  _VemStParam gain = IntParam("Gain", 1);
  Add(gain, false);
  storage.AddParamChangedListener("Gain", &listener);
  EXPECT_EQ(storage.SetParamInt("Gain", 3, true), 0);
  EXPECT_EQ(storage.Stored("Gain")->intVal.current, 3);
  EXPECT_TRUE(script.log.empty());
  EXPECT_TRUE(storage.QueuedNames().empty());
}

TEST_F(TypedAccess, DeferredWritesQueueOncePerWrite) {
  Add(IntParam("Gain", 1));
  Add(StringParam("Title", "a"));
  storage.AddParamChangedListener("Gain", &listener);
  EXPECT_EQ(storage.SetParamInt("Gain", 2, false), 0);
  EXPECT_EQ(storage.SetParamString("Title", "b", false), 0);
  EXPECT_EQ(storage.SetParamInt("Gain", 2, false), 0);  // same value again
  EXPECT_EQ(storage.QueuedNames(), (Log{"Gain", "Title", "Gain"}));
  for (const std::string& line : script.log) {
    EXPECT_EQ(line.rfind("beforeSet", 0), 0u) << line;
  }
}

TEST_F(TypedAccess, WrongTypeIsRefusedBeforeAnyCallback) {
  Add(IntParam("Gain", 1));
  Add(StringParam("Title", "abc"));
  Add(ArrayParam("Curve", "\1", 1));
  EXPECT_EQ(storage.SetParamBool("Gain", true, true), PARAM_ERR_TYPE);
  EXPECT_EQ(storage.SetParamFloat("Gain", 1.0, true), PARAM_ERR_TYPE);
  EXPECT_EQ(storage.SetParamString("Gain", "x", true), PARAM_ERR_TYPE);
  EXPECT_EQ(storage.SetParamArray("Title", "x", 1, true), PARAM_ERR_TYPE);
  EXPECT_EQ(storage.SetParamInt("Curve", 4, true), PARAM_ERR_TYPE);
  double d = 3;
  EXPECT_EQ(storage.GetParamFloat("Gain", &d), PARAM_ERR_TYPE);
  EXPECT_EQ(d, 3);
  int64_t i = 3;
  EXPECT_EQ(storage.GetParamInt("Title", &i), PARAM_ERR_TYPE);
  uint32_t length = 99;
  EXPECT_EQ(storage.GetParamString("Curve", nullptr, &length), PARAM_ERR_TYPE);
  EXPECT_EQ(length, 99u);
  EXPECT_TRUE(script.log.empty());
  EXPECT_STREQ(storage.Stored("Title")->strVal.current, "abc");
}

TEST_F(TypedAccess, NullValuePointersAreRefusedBeforeAnyCallback) {
  Add(IntParam("Gain", 1));
  Add(StringParam("Title", "abc"));
  Add(ArrayParam("Curve", "\1", 1));
  EXPECT_EQ(storage.SetParamString("Title", nullptr, true), PARAM_ERR_BUFFER);
  EXPECT_EQ(storage.SetParamArray("Curve", nullptr, 2, true), PARAM_ERR_BUFFER);
  EXPECT_EQ(storage.GetParamInt("Gain", nullptr), PARAM_ERR_BUFFER);
  EXPECT_EQ(storage.GetParamString("Title", nullptr, nullptr), PARAM_ERR_BUFFER);
  EXPECT_TRUE(script.log.empty());
  // A null pointer with no bytes is an empty value.
  EXPECT_EQ(storage.SetParamArray("Curve", nullptr, 0, true), 0);
  EXPECT_EQ(storage.Stored("Curve")->arrVal.size, 0u);
}

TEST_F(TypedAccess, MissingNameIsNotFound) {
  int64_t i = 0;
  EXPECT_EQ(storage.SetParamInt("Nope", 1, true), PARAM_ERR_NOT_FOUND);
  EXPECT_EQ(storage.GetParamInt("Nope", &i), PARAM_ERR_NOT_FOUND);
  EXPECT_EQ(storage.SetParamString(nullptr, "x", true), PARAM_ERR_NOT_FOUND);
}

TEST_F(TypedAccess, AfterGetSeesValueFromBeforeBeforeGet) {
  Add(IntParam("Gain", 1));
  script.onBeforeGet = [](_VemStParam* param) { param->intVal.current = 2; };
  script.afterGetResult = 4;
  int64_t value = 0;
  EXPECT_EQ(storage.GetParamInt("Gain", &value), 4);
  EXPECT_EQ(value, 2);
  EXPECT_EQ(script.log,
            (Log{"beforeGet 7 Gain=1", "afterGet 7 Gain=2 old 1 size 8"}));
}

TEST_F(TypedAccess, BeforeGetRefusalLeavesOutputUntouched) {
  Add(FloatParam("Pan", 0.5));
  script.beforeGetResult = -3;
  double value = 9;
  EXPECT_EQ(storage.GetParamFloat("Pan", &value), -3);
  EXPECT_EQ(value, 9);
  EXPECT_EQ(script.log.size(), 1u);
}

TEST_F(TypedAccess, StringSizeQueryShortBufferAndExactBuffer) {
  Add(StringParam("Title", "hello"));
  uint32_t length = 0;
  EXPECT_EQ(storage.GetParamString("Title", nullptr, &length), 0);
  EXPECT_EQ(length, 6u);
  EXPECT_EQ(script.log, (Log{"beforeGet 7 Title=\"hello\""}));  // no afterGet

  char buffer[8] = "#######";
  length = 5;
  EXPECT_EQ(storage.GetParamString("Title", buffer, &length), PARAM_ERR_BUFFER);
  EXPECT_EQ(length, 5u);
  EXPECT_STREQ(buffer, "#######");

  length = 6;
  script.log.clear();
  EXPECT_EQ(storage.GetParamString("Title", buffer, &length), 0);
  EXPECT_EQ(length, 6u);
  EXPECT_STREQ(buffer, "hello");
  EXPECT_EQ(buffer[6], '#');
  EXPECT_EQ(script.log, (Log{"beforeGet 7 Title=\"hello\"",
                             "afterGet 7 Title=\"hello\" old \"hello\" size 6"}));
}

TEST_F(TypedAccess, StringAfterGetSeesTheFormerText) {
  Add(StringParam("Title", "old"));
  script.onBeforeGet = [&](_VemStParam*) {
    // A refresh from the owner, as a derived storage would do it.
    storage.SetParam(storage.Stored("Title"), "a much newer text", 18);
  };
  char buffer[32];
  uint32_t length = sizeof(buffer);
  EXPECT_EQ(storage.GetParamString("Title", buffer, &length), 0);
  EXPECT_STREQ(buffer, "a much newer text");
  EXPECT_EQ(script.log.back(),
            "afterGet 7 Title=\"a much newer text\" old \"old\" size 4");
}

TEST_F(TypedAccess, ShorterTextReusesTheBuffer) {
  Add(StringParam("Title", "long text"), false);
  char* buffer = storage.Stored("Title")->strVal.current;
  EXPECT_EQ(storage.SetParamString("Title", "short", true), 0);
  EXPECT_EQ(storage.Stored("Title")->strVal.current, buffer);
  uint32_t length = 0;
  EXPECT_EQ(storage.GetParamString("Title", nullptr, &length), 0);
  EXPECT_EQ(length, 6u);
  EXPECT_EQ(storage.SetParamString("Title", "a text longer than before", true), 0);
  EXPECT_STREQ(storage.Stored("Title")->strVal.current, "a text longer than before");
}

TEST_F(TypedAccess, TextMayComeFromTheStoragesOwnBuffer) {
  Add(StringParam("Title", "abcdef"), false);
  Add(StringParam("Other", "x"), false);
  _VemStParam copy;
  storage.GetParamData("Title", &copy);
  EXPECT_EQ(storage.SetParamString("Title", copy.strVal.current + 2, true), 0);
  EXPECT_STREQ(storage.Stored("Title")->strVal.current, "cdef");
  storage.GetParamData("Title", &copy);
  EXPECT_EQ(storage.SetParamString("Other", copy.strVal.current, true), 0);
  EXPECT_STREQ(storage.Stored("Other")->strVal.current, "cdef");
}

TEST_F(TypedAccess, ArrayLengthIsExactlyTheBytesWritten) {
  const unsigned char four[4] = {1, 2, 3, 4};
  Add(ArrayParam("Curve", four, 4), false);
  unsigned char out[8];
  uint32_t length = 4;
  EXPECT_EQ(storage.GetParamArray("Curve", out, &length), 0);
  EXPECT_EQ(length, 4u);
  EXPECT_EQ(std::memcmp(out, four, 4), 0);

  EXPECT_EQ(storage.SetParamArray("Curve", "\x09\x08", 2, true), 0);
  length = 0;
  EXPECT_EQ(storage.GetParamArray("Curve", nullptr, &length), 0);
  EXPECT_EQ(length, 2u);
  length = 1;
  EXPECT_EQ(storage.GetParamArray("Curve", out, &length), PARAM_ERR_BUFFER);
  EXPECT_EQ(length, 1u);

  const unsigned char six[6] = {6, 5, 4, 3, 2, 1};
  EXPECT_EQ(storage.SetParamArray("Curve", six, 6, true), 0);
  std::memset(out, 0xEE, sizeof(out));
  length = sizeof(out);
  EXPECT_EQ(storage.GetParamArray("Curve", out, &length), 0);
  EXPECT_EQ(length, 6u);
  EXPECT_EQ(std::memcmp(out, six, 6), 0);
  EXPECT_EQ(out[6], 0xEE);

  EXPECT_EQ(storage.SetParamArray("Curve", six, 0, true), 0);
  length = sizeof(out);
  EXPECT_EQ(storage.GetParamArray("Curve", out, &length), 0);
  EXPECT_EQ(length, 0u);
}

TEST_F(TypedAccess, BoolRoundTripsThroughSetterAndGetter) {
  Add(BoolParam("Mute", false), false);
  bool value = true;
  EXPECT_EQ(storage.GetParamBool("Mute", &value), 0);
  EXPECT_FALSE(value);
  EXPECT_EQ(storage.SetParamBool("Mute", true, true), 0);
  EXPECT_EQ(storage.GetParamBool("Mute", &value), 0);
  EXPECT_TRUE(value);
}

TEST_F(TypedAccess, CallbackThatClearsTheStorageEndsTheWrite) {
  Add(IntParam("Gain", 1));
  script.onBeforeSet = [&](_VemStParam*, void*, uint32_t) { storage.ClearStorage(); };
  EXPECT_EQ(storage.SetParamInt("Gain", 2, false), PARAM_ERR_NOT_FOUND);
  EXPECT_TRUE(storage.QueuedNames().empty());
  EXPECT_EQ(storage.UpdateToObject(), 0);
}

TEST_F(TypedAccess, CallbackThatReplacesTheParameterEndsTheRead) {
  Add(IntParam("Gain", 1));
  script.onBeforeGet = [&](_VemStParam*) {
    _VemStParam fresh = IntParam("Gain", 50);
    storage.AddParam(&fresh);
  };
  int64_t value = 0;
  EXPECT_EQ(storage.GetParamInt("Gain", &value), PARAM_ERR_NOT_FOUND);
  EXPECT_EQ(value, 0);
  script.onBeforeGet = nullptr;
  EXPECT_EQ(storage.GetParamInt("Gain", &value), 0);
  EXPECT_EQ(value, 50);
}

}  // namespace
