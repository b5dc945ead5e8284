// Listener registration, notification, and listeners that call back into
// the storage while they are being notified.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "VemParams.h"
#include "tests/params/param_fixtures.h"

using namespace paramtest;
using Log = std::vector<std::string>;

namespace {

class Listeners : public ::testing::Test {
 protected:
  Listeners()
      : storage(3), a("A", &script.log), b("B", &script.log), c("C", &script.log) {
    _VemStParam gain = IntParam("Gain", 0);
    storage.AddParam(&WithCallbacks(gain));
    script.log.clear();
  }
  // The log without the callbacks' lines.
  Log Heard() const {
    Log heard;
    for (const std::string& line : script.log) {
      if (line.rfind("listener", 0) == 0) heard.push_back(line);
    }
    return heard;
  }

  CallbackScript script;
  OpenStorage storage;
  LoggingListener a, b, c;
};

TEST_F(Listeners, UnknownNameRegistersNothing) {
  EXPECT_EQ(storage.AddParamChangedListener("Nope", &a), PARAM_ERR_NOT_FOUND);
  EXPECT_EQ(storage.RemoveParamChangedListener("Nope", &a), PARAM_ERR_NOT_FOUND);
}

TEST_F(Listeners, CalledInRegistrationOrderWithTheNewValue) {
  storage.AddParamChangedListener("Gain", &a);
  storage.AddParamChangedListener("Gain", &b);
  storage.SetParamInt("Gain", 4, true);
  EXPECT_EQ(Heard(), (Log{"listener A Gain=4", "listener B Gain=4"}));
}

TEST_F(Listeners, EachListenerGetsAnIndependentCopy) {
  storage.AddParamChangedListener("Gain", &a);
  storage.AddParamChangedListener("Gain", &b);
  _VemStParam* stored = storage.Stored("Gain");
  a.onChange = [&](_VemStParam* copy) {
    EXPECT_NE(copy, stored);
    copy->intVal.current = 99;
    copy->name[0] = 'X';
  };
  storage.SetParamInt("Gain", 4, true);
  EXPECT_EQ(Heard(), (Log{"listener A Gain=4", "listener B Gain=4"}));
  _VemStParam out;
  storage.GetParamData("Gain", &out);
  EXPECT_EQ(out.intVal.current, 4);
  EXPECT_STREQ(out.name, "Gain");
}

TEST_F(Listeners, DuplicateRegistrationIsCalledTwiceAndRemovedOnceAtATime) {
  storage.AddParamChangedListener("Gain", &a);
  storage.AddParamChangedListener("Gain", &a);
  storage.SetParamInt("Gain", 1, true);
  EXPECT_EQ(Heard().size(), 2u);
  script.log.clear();
  EXPECT_EQ(storage.RemoveParamChangedListener("Gain", &a), 0);
  storage.SetParamInt("Gain", 2, true);
  EXPECT_EQ(Heard().size(), 1u);
  EXPECT_EQ(storage.RemoveParamChangedListener("Gain", &a), 0);
  EXPECT_EQ(storage.RemoveParamChangedListener("Gain", &a), PARAM_ERR_NOT_FOUND);
}

TEST_F(Listeners, RemovingAnUnregisteredListenerKeepsTheList) {
  storage.AddParamChangedListener("Gain", &a);
  storage.AddParamChangedListener("Gain", &b);
  EXPECT_EQ(storage.RemoveParamChangedListener("Gain", &c), PARAM_ERR_NOT_FOUND);
  EXPECT_EQ(storage.RemoveParamChangedListener("Gain", &a), 0);
  storage.SetParamInt("Gain", 1, true);
  EXPECT_EQ(Heard(), (Log{"listener B Gain=1"}));
}

TEST_F(Listeners, NotCalledForDeferredWritesOrWithoutAfterSet) {
  storage.AddParamChangedListener("Gain", &a);
  storage.SetParamInt("Gain", 1, false);
  EXPECT_TRUE(Heard().empty());
  _VemStParam plain = IntParam("Plain", 0);
  storage.AddParam(&plain);
  storage.AddParamChangedListener("Plain", &a);
  storage.SetParamInt("Plain", 1, true);
  EXPECT_TRUE(Heard().empty());
}

TEST_F(Listeners, EqualKeysShareTheList) {
  _VemStParam aa = IntParam("Aa", 0);
  storage.AddParam(&WithCallbacks(aa));
  storage.AddParamChangedListener("Aa", &a);
  storage.SetParamInt("BB", 6, true);
  EXPECT_EQ(Heard(), (Log{"listener A Aa=6"}));
  EXPECT_EQ(storage.RemoveParamChangedListener("BB", &a), 0);
}

TEST_F(Listeners, NullListenerIsPassedOver) {
  storage.AddParamChangedListener("Gain", &a);
  EXPECT_EQ(storage.AddParamChangedListener("Gain", nullptr), 0);
  storage.AddParamChangedListener("Gain", &b);
  storage.SetParamInt("Gain", 1, true);
  EXPECT_EQ(Heard(), (Log{"listener A Gain=1", "listener B Gain=1"}));
  EXPECT_EQ(storage.RemoveParamChangedListener("Gain", nullptr), 0);
}

TEST_F(Listeners, ListenerAddedDuringThePassIsCalledInIt) {
  storage.AddParamChangedListener("Gain", &a);
  a.onChange = [&](_VemStParam*) {
    a.onChange = nullptr;
    storage.AddParamChangedListener("Gain", &b);
  };
  storage.SetParamInt("Gain", 1, true);
  EXPECT_EQ(Heard(), (Log{"listener A Gain=1", "listener B Gain=1"}));
}

TEST_F(Listeners, RemovingTheCurrentListenerPassesOverTheNextOne) {
  storage.AddParamChangedListener("Gain", &a);
  storage.AddParamChangedListener("Gain", &b);
  storage.AddParamChangedListener("Gain", &c);
  a.onChange = [&](_VemStParam*) { storage.RemoveParamChangedListener("Gain", &a); };
  storage.SetParamInt("Gain", 1, true);
  EXPECT_EQ(Heard(), (Log{"listener A Gain=1", "listener C Gain=1"}));
  script.log.clear();
  storage.SetParamInt("Gain", 2, true);
  EXPECT_EQ(Heard(), (Log{"listener B Gain=2", "listener C Gain=2"}));
}

TEST_F(Listeners, ListenerClearingTheStorageEndsThePassSafely) {
  storage.AddParamChangedListener("Gain", &a);
  storage.AddParamChangedListener("Gain", &b);
  a.onChange = [&](_VemStParam*) { storage.ClearStorage(); };
  script.afterSetResult = 8;
  EXPECT_EQ(storage.SetParamInt("Gain", 1, true), 8);
  EXPECT_EQ(Heard(), (Log{"listener A Gain=1"}));
  _VemStParam out;
  EXPECT_EQ(storage.GetParamData("Gain", &out), PARAM_ERR_NOT_FOUND);
}

TEST_F(Listeners, AfterSetClearingTheStorageStillReturnsItsResult) {
  storage.AddParamChangedListener("Gain", &a);
  script.onAfterSet = [&](_VemStParam*) { storage.ClearStorage(); };
  script.afterSetResult = 2;
  EXPECT_EQ(storage.SetParamInt("Gain", 1, true), 2);
  EXPECT_TRUE(Heard().empty());
}

TEST_F(Listeners, ListenerReplacingTheParameterKeepsTheOtherCopiesIntact) {
  storage.AddParamChangedListener("Gain", &a);
  storage.AddParamChangedListener("Gain", &b);
  a.onChange = [&](_VemStParam*) {
    _VemStParam fresh = IntParam("Gain", 77);
    storage.AddParam(&fresh);
  };
  storage.SetParamInt("Gain", 5, true);
  // b still hears the value that was written, from the replaced record.
  EXPECT_EQ(Heard(), (Log{"listener A Gain=5", "listener B Gain=5"}));
  EXPECT_EQ(storage.Stored("Gain")->intVal.current, 77);
}

}  // namespace
