// The portable message box: modes, set-up, captions, the pending list and the
// wait, and the narrow forms, all on a platform that draws nothing.
#include "msgbox/message_box_service.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "tests/msgbox/fake_platform.h"

namespace vem {
namespace testing {
namespace {

class MessageBoxServiceTest : public ::testing::Test {
 protected:
  MessageBoxServiceTest() {
    auto platform = std::make_unique<FakePlatform>(&log_);
    platform_ = platform.get();
    service_ = std::make_unique<MessageBoxService>(std::move(platform));
  }
  // A display thread never run would keep its record for ever.
  ~MessageBoxServiceTest() override { RunAllDisplayThreads(&log_); }

  const ShownDialog& LastDialog() { return log_.dialogs.back(); }
  std::size_t ThreadsAsked() { return log_.threads.size(); }

  FakeLog log_;
  FakePlatform* platform_;
  std::unique_ptr<MessageBoxService> service_;
  const WideText comment_ = Wide("Saving failed");
  const WideText message_ = Wide("Disk full\r\nFree some space");
};

// --- Modes -----------------------------------------------------------------

TEST_F(MessageBoxServiceTest, ModalBoxRunsOnCallerWithOwnTextsAndReturnsEndCode) {
  platform_->ownerWindow = 77;
  platform_->endCode = 2;
  EXPECT_EQ(2, service_->Show(comment_.c_str(), message_.c_str(), 3, 2));
  ASSERT_EQ(1u, log_.dialogs.size());
  EXPECT_EQ(0u, ThreadsAsked());
  EXPECT_EQ(comment_.c_str(), LastDialog().commentPointer) << "mode 2 uses the caller's texts in place";
  EXPECT_EQ(message_.c_str(), LastDialog().messagePointer);
  EXPECT_EQ(3, LastDialog().kind);
  EXPECT_EQ(77u, LastDialog().owner);
  EXPECT_EQ(0, service_->PendingCount());

  platform_->endCode = -1;
  EXPECT_EQ(-1, service_->Show(nullptr, nullptr, 0, 2)) << "a dialog that cannot be shown";
}

TEST_F(MessageBoxServiceTest, AsyncBoxCopiesTextsHasNoOwnerAndIsNotAwaited) {
  platform_->ownerWindow = 77;
  WideText comment = comment_;
  WideText message = message_;
  EXPECT_EQ(0, service_->Show(comment.c_str(), message.c_str(), 2, 0));
  EXPECT_EQ(1u, ThreadsAsked());
  EXPECT_TRUE(log_.dialogs.empty()) << "the dialog runs on its own thread, not in the call";
  // The caller may reuse its buffers at once.
  comment.assign(comment.size(), VemWChar('#'));
  message.assign(message.size(), VemWChar('#'));
  RunAllDisplayThreads(&log_);
  ASSERT_EQ(1u, log_.dialogs.size());
  EXPECT_EQ(comment_, LastDialog().comment);
  EXPECT_EQ(message_, LastDialog().message);
  EXPECT_EQ(2, LastDialog().kind);
  EXPECT_EQ(0u, LastDialog().owner);
  EXPECT_EQ(0, service_->PendingCount());
  EXPECT_TRUE(log_.open.empty()) << "mode 0 creates no event";
}

TEST_F(MessageBoxServiceTest, AwaitedBoxHasOwnerAndPendingEventSetAfterDialog) {
  platform_->ownerWindow = 77;
  EXPECT_EQ(0, service_->Show(comment_.c_str(), message_.c_str(), 1, 1));
  EXPECT_EQ(1, service_->PendingCount());
  ASSERT_EQ(1u, log_.open.size());
  const EventHandle event = *log_.open.begin();
  EXPECT_EQ(0u, log_.signalled.count(event)) << "set only once the box has closed";
  RunAllDisplayThreads(&log_);
  ASSERT_EQ(1u, log_.dialogs.size());
  EXPECT_EQ(77u, LastDialog().owner);
  EXPECT_EQ(1u, log_.signalled.count(event));
}

TEST_F(MessageBoxServiceTest, OtherModesShowNothingAndReturnZero) {
  for (std::int32_t mode : {3, -1, 1000}) {
    EXPECT_EQ(0, service_->Show(comment_.c_str(), message_.c_str(), 0, mode)) << mode;
  }
  EXPECT_TRUE(log_.dialogs.empty());
  EXPECT_EQ(0u, ThreadsAsked());
  EXPECT_EQ(0, service_->PendingCount());
}

TEST_F(MessageBoxServiceTest, NullTextsReachTheDialogAsNull) {
  service_->Show(nullptr, nullptr, 0, 2);
  service_->Show(nullptr, nullptr, 0, 0);
  service_->Show(nullptr, message_.c_str(), 0, 1);
  RunAllDisplayThreads(&log_);
  ASSERT_EQ(3u, log_.dialogs.size());
  for (const ShownDialog& dialog : log_.dialogs) EXPECT_FALSE(dialog.hasComment);
  EXPECT_FALSE(log_.dialogs[0].hasMessage);
  EXPECT_FALSE(log_.dialogs[1].hasMessage);
  EXPECT_TRUE(log_.dialogs[2].hasMessage);
}

TEST_F(MessageBoxServiceTest, EmptyTextsStayEmptyNotNull) {
  const WideText empty;
  service_->Show(empty.c_str(), empty.c_str(), 0, 0);
  RunAllDisplayThreads(&log_);
  ASSERT_EQ(1u, log_.dialogs.size());
  EXPECT_TRUE(LastDialog().hasComment);
  EXPECT_TRUE(LastDialog().hasMessage);
  EXPECT_TRUE(LastDialog().message.empty());
}

// --- Failures ----------------------------------------------------------------

TEST_F(MessageBoxServiceTest, ThreadThatCannotStartFailsButNeverHoldsUpTheWait) {
  platform_->threadsStart = false;
  EXPECT_EQ(-1, service_->Show(comment_.c_str(), message_.c_str(), 0, 1));
  EXPECT_EQ(-1, service_->Show(comment_.c_str(), message_.c_str(), 0, 0));
  ASSERT_EQ(1, service_->PendingCount());
  EXPECT_EQ(1u, log_.signalled.size()) << "the awaited box's event is set at once";
  EXPECT_EQ(1, service_->WaitForAwaitedBoxes());
  EXPECT_TRUE(log_.open.empty());
}

TEST_F(MessageBoxServiceTest, EventThatCannotBeCreatedShowsNothing) {
  platform_->eventsCreate = false;
  EXPECT_EQ(-1, service_->Show(comment_.c_str(), message_.c_str(), 0, 1));
  EXPECT_EQ(0, service_->PendingCount());
  EXPECT_EQ(0u, ThreadsAsked());
}

TEST_F(MessageBoxServiceTest, AwaitedBoxWhoseDialogFailsStillSetsItsEvent) {
  platform_->endCode = -1;
  service_->Show(comment_.c_str(), message_.c_str(), 0, 1);
  RunAllDisplayThreads(&log_);
  EXPECT_EQ(1u, log_.signalled.size());
}

// --- Set-up on first use -------------------------------------------------------

TEST_F(MessageBoxServiceTest, ModuleAndOwnerAreLookedUpOnceAndKept) {
  platform_->ownerWindow = 5;
  service_->Show(nullptr, nullptr, 0, 3);  // even a mode that shows nothing sets up
  platform_->ownerWindow = 6;  // the application's main window appears later
  service_->Show(nullptr, nullptr, 0, 2);
  service_->Show(nullptr, nullptr, 0, 1);
  RunAllDisplayThreads(&log_);
  EXPECT_EQ(1, log_.moduleSearches);
  EXPECT_EQ(1, log_.ownerSearches);
  ASSERT_EQ(2u, log_.dialogs.size());
  for (const ShownDialog& dialog : log_.dialogs) {
    EXPECT_EQ(5u, dialog.owner);
    EXPECT_EQ(platform_->module, dialog.module) << "the module found goes with every box";
  }
}

TEST_F(MessageBoxServiceTest, NoWindowAtFirstCallMeansNoOwnerLater) {
  service_->Show(nullptr, nullptr, 0, 2);
  platform_->ownerWindow = 6;
  service_->Show(nullptr, nullptr, 0, 2);
  ASSERT_EQ(2u, log_.dialogs.size());
  EXPECT_EQ(0u, log_.dialogs[1].owner);
}

TEST_F(MessageBoxServiceTest, SetUpIsRepeatedWhileTheModuleIsMissing) {
  platform_->module = nullptr;
  service_->Show(nullptr, nullptr, 0, 3);
  service_->Show(nullptr, nullptr, 0, 3);
  EXPECT_EQ(2, log_.moduleSearches);
  EXPECT_EQ(2, log_.ownerSearches);
  EXPECT_EQ(nullptr, service_->module());

  platform_->module = reinterpret_cast<ModuleHandle>(0x2000);
  platform_->ownerWindow = 9;
  service_->Show(nullptr, nullptr, 0, 3);
  platform_->ownerWindow = 10;
  service_->Show(nullptr, nullptr, 0, 3);
  EXPECT_EQ(3, log_.moduleSearches);
  EXPECT_EQ(9u, service_->owner());
}

// --- Captions -------------------------------------------------------------------

TEST_F(MessageBoxServiceTest, CaptionDefaultsToExecutablePath) {
  service_->Show(nullptr, nullptr, 0, 2);
  platform_->executable = Wide("/elsewhere");
  service_->Show(nullptr, nullptr, 0, 2);
  ASSERT_EQ(2u, log_.dialogs.size());
  EXPECT_EQ(Wide("/opt/tools/bin/viewer"), log_.dialogs[0].caption);
  EXPECT_EQ(Wide("/opt/tools/bin/viewer"), log_.dialogs[1].caption) << "the first dialog fixed it";
}

TEST_F(MessageBoxServiceTest, TitleSetReachesLaterBoxesAndNullMeansExecutablePath) {
  const WideText title = Wide("Viewer <b>&amp; %s");
  service_->SetTitle(title.c_str());
  service_->Show(nullptr, nullptr, 0, 2);
  service_->SetTitle(nullptr);
  service_->Show(nullptr, nullptr, 0, 2);
  ASSERT_EQ(2u, log_.dialogs.size());
  EXPECT_EQ(title, log_.dialogs[0].caption);
  EXPECT_EQ(Wide("/opt/tools/bin/viewer"), log_.dialogs[1].caption);
}

TEST_F(MessageBoxServiceTest, UnknownExecutableGivesEmptyCaption) {
  platform_->knowsExecutable = false;
  service_->Show(nullptr, nullptr, 0, 2);
  service_->SetTitle(Wide("first").c_str());
  service_->SetTitle(nullptr);
  service_->Show(nullptr, nullptr, 0, 2);
  ASSERT_EQ(2u, log_.dialogs.size());
  EXPECT_TRUE(log_.dialogs[0].caption.empty());
  EXPECT_TRUE(log_.dialogs[1].caption.empty());
}

TEST_F(MessageBoxServiceTest, TitlesAreCutTo259UnitsOutsideSurrogatePairs) {
  const VemWChar high = 0xD83D;
  const VemWChar low = 0xDE00;
  struct Case {
    WideText title;
    WideText shown;
  };
  const WideText fits(259, VemWChar('a'));
  const WideText pairAtEnd = WideText(257, VemWChar('a')) + high + low;  // 259 units
  const WideText pairAcrossCut = WideText(258, VemWChar('a')) + high + low + VemWChar('z');
  const WideText loneHighAtEnd = WideText(258, VemWChar('a')) + high;
  const Case cases[] = {
      {fits, fits},
      {WideText(260, VemWChar('b')), WideText(259, VemWChar('b'))},
      {WideText(5000, VemWChar('c')), WideText(259, VemWChar('c'))},
      {pairAtEnd, pairAtEnd},
      {pairAcrossCut, WideText(258, VemWChar('a'))},
      {loneHighAtEnd, loneHighAtEnd},
      {WideText(), WideText()},
  };
  for (const Case& c : cases) {
    service_->SetTitle(c.title.c_str());
    EXPECT_EQ(c.shown, service_->Caption()) << "title of " << c.title.size() << " units";
  }
}

// --- The pending list and the wait ----------------------------------------------

TEST_F(MessageBoxServiceTest, WaitWithNothingPendingReturnsAtOnce) {
  service_->Show(nullptr, nullptr, 0, 0);  // mode 0 boxes are never waited for
  EXPECT_EQ(1, service_->WaitForAwaitedBoxes());
  EXPECT_EQ(0, log_.waits);
}

TEST_F(MessageBoxServiceTest, WaitTakesEveryPendingEventThenClosesInListOrder) {
  for (int i = 0; i < 3; ++i) service_->Show(nullptr, nullptr, 0, 1);
  service_->Show(nullptr, nullptr, 0, 0);
  ASSERT_EQ(3, service_->PendingCount());
  RunAllDisplayThreads(&log_);
  EXPECT_EQ(1, service_->WaitForAwaitedBoxes());
  ASSERT_EQ(3u, log_.waitedFor.size());
  EXPECT_EQ(log_.waitedFor, log_.closed);
  EXPECT_LT(log_.closed[0], log_.closed[1]);
  EXPECT_LT(log_.closed[1], log_.closed[2]);
  EXPECT_TRUE(log_.open.empty());
  EXPECT_EQ(0, service_->PendingCount());

  EXPECT_EQ(1, service_->WaitForAwaitedBoxes());
  EXPECT_EQ(1, log_.waits) << "a second wait has nothing to wait for";
}

TEST_F(MessageBoxServiceTest, WaitReturnsOnlyAfterEveryAwaitedBoxHasClosed) {
  service_->Show(nullptr, nullptr, 0, 1);
  service_->Show(nullptr, nullptr, 0, 1);
  std::atomic<bool> returned{false};
  std::thread waiter([&] {
    service_->WaitForAwaitedBoxes();
    returned = true;
  });
  ASSERT_TRUE(RunNextDisplayThread(&log_));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(returned) << "one box is still open";
  ASSERT_TRUE(RunNextDisplayThread(&log_));
  waiter.join();
  EXPECT_TRUE(returned);
  EXPECT_EQ(2u, log_.closed.size());
}

TEST_F(MessageBoxServiceTest, ManyAwaitedBoxesAreAllWaitedFor) {
  for (int i = 0; i < 70; ++i) service_->Show(nullptr, nullptr, 0, 1);
  RunAllDisplayThreads(&log_);
  service_->WaitForAwaitedBoxes();
  EXPECT_EQ(70u, log_.waitedFor.size());
  EXPECT_EQ(70u, log_.closed.size());
}

TEST_F(MessageBoxServiceTest, UnloadEndsDisplayThreadsAndLeavesPendingEventsOpen) {
  service_->Show(nullptr, nullptr, 0, 1);
  RunAllDisplayThreads(&log_);
  service_.reset();
  EXPECT_EQ(1, log_.endDisplayThreadsCalls);
  EXPECT_EQ(1u, log_.open.size());
  EXPECT_TRUE(log_.closed.empty());
}

// --- Narrow forms ------------------------------------------------------------------

TEST_F(MessageBoxServiceTest, NarrowTextsAreConvertedAndNullStaysNull) {
  service_->ShowNarrow("Saving failed", nullptr, 3, 2);
  service_->ShowNarrow(nullptr, "Disk full", 1, 0);
  RunAllDisplayThreads(&log_);
  ASSERT_EQ(2u, log_.dialogs.size());
  EXPECT_EQ(Wide("Saving failed"), log_.dialogs[0].comment);
  EXPECT_FALSE(log_.dialogs[0].hasMessage);
  EXPECT_EQ(3, log_.dialogs[0].kind);
  EXPECT_FALSE(log_.dialogs[1].hasComment);
  EXPECT_EQ(Wide("Disk full"), log_.dialogs[1].message);
}

TEST_F(MessageBoxServiceTest, NarrowTitleIsConvertedAndNullMeansExecutablePath) {
  service_->SetTitleNarrow("Viewer");
  EXPECT_EQ(Wide("Viewer"), service_->Caption());
  service_->SetTitleNarrow(nullptr);
  EXPECT_EQ(Wide("/opt/tools/bin/viewer"), service_->Caption());
}

#if !defined(_WIN32)
// Linux narrow text is UTF-8: characters beyond ASCII arrive as their UTF-16
// units, a character above U+FFFF as a surrogate pair.
TEST_F(MessageBoxServiceTest, NarrowTextIsUtf8OnLinux) {
  service_->ShowNarrow("\xC3\xA9t\xC3\xA9 \xF0\x9F\x98\x80", "caf\xC3\xA9", 0, 2);
  ASSERT_EQ(1u, log_.dialogs.size());
  EXPECT_EQ(Wide({0xE9, 't', 0xE9, ' ', 0xD83D, 0xDE00}), LastDialog().comment);
  EXPECT_EQ(Wide({'c', 'a', 'f', 0xE9}), LastDialog().message);
}
#endif

}  // namespace
}  // namespace testing
}  // namespace vem
