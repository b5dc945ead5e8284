// A message box platform that draws nothing: it records what the service
// asks of it, and lets a test decide when display threads run, when their
// dialogs close and with what end code.
#ifndef VEMMISC_TESTS_MSGBOX_FAKE_PLATFORM_H
#define VEMMISC_TESTS_MSGBOX_FAKE_PLATFORM_H

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <initializer_list>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "msgbox/message_box_service.h"
#include "msgbox/msgbox_platform.h"

namespace vem {
namespace testing {

using WideText = std::basic_string<VemWChar>;

// UTF-16 text from code units given as numbers or ASCII characters (VemWChar
// is wchar_t on Windows, char16_t elsewhere, so literals differ).
inline WideText Wide(std::initializer_list<std::uint16_t> units) {
  WideText text;
  for (std::uint16_t unit : units) text += static_cast<VemWChar>(unit);
  return text;
}
inline WideText Wide(const char* ascii) {
  WideText text;
  for (; *ascii != 0; ++ascii) text += static_cast<VemWChar>(*ascii);
  return text;
}

// One dialog as the fake saw it.
struct ShownDialog {
  bool hasComment;
  WideText comment;
  bool hasMessage;
  WideText message;
  const VemWChar* commentPointer;
  const VemWChar* messagePointer;
  std::int32_t kind;
  WindowHandle owner;
  ModuleHandle module;
  WideText caption;
};

// What the fake platform has been asked, shared with the test after the
// service took the platform over.
struct FakeLog {
  std::mutex lock;
  std::condition_variable changed;
  int moduleSearches = 0;
  int ownerSearches = 0;
  int waits = 0;
  int endDisplayThreadsCalls = 0;
  std::vector<ShownDialog> dialogs;
  std::vector<EventHandle> waitedFor;
  std::vector<EventHandle> closed;
  std::set<EventHandle> signalled;
  std::set<EventHandle> open;
  // Display threads not started yet, in the order asked for.
  std::deque<std::pair<void (*)(void*), void*>> threads;
};

class FakePlatform final : public MessageBoxPlatform {
 public:
  explicit FakePlatform(FakeLog* log) : log_(log) {}

  // Answers of the platform; change them before the call that asks.
  ModuleHandle module = reinterpret_cast<ModuleHandle>(0x1000);
  WindowHandle ownerWindow = 0;
  bool knowsExecutable = true;
  WideText executable = Wide("/opt/tools/bin/viewer");
  std::int32_t endCode = 1;
  bool threadsStart = true;
  bool eventsCreate = true;

  ModuleHandle FindOwnModule() override;
  WindowHandle FindOwnerWindow() override;
  bool ExecutablePath(std::basic_string<VemWChar>* path) override;
  std::int32_t RunDialog(const DialogRequest& request, CaptionSource& caption) override;
  bool NewEvent(EventHandle* event) override;
  void SignalEvent(EventHandle event) override;
  void WaitForAllEvents(const EventHandle* events, std::int32_t count) override;
  void CloseEvent(EventHandle event) override;
  bool StartDisplayThread(void (*body)(void*), void* argument) override;
  void EndDisplayThreads() override;

 private:
  FakeLog* log_;
  EventHandle nextEvent_ = 40;
};

// Runs the oldest display thread not run yet (its dialog closes at once with
// the fake's end code); false when there is none.
bool RunNextDisplayThread(FakeLog* log);
// Runs every display thread not run yet.
void RunAllDisplayThreads(FakeLog* log);

}  // namespace testing
}  // namespace vem

#endif  // VEMMISC_TESTS_MSGBOX_FAKE_PLATFORM_H
