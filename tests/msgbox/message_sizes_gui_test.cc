// Messages of any size and content, seen from outside the helper as a user
// sees them (run under scripts/with-xvfb.sh): the box appears with its
// caption, the end of the message can be scrolled into sight, and the caller
// gets its answer when the box is closed.
#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "VemMsgBox.h"
#include "msgbox/helper/dialog_template.h"
#include "msgbox/helper/dialog_units.h"
#include "tests/msgbox/large_messages.h"
#include "tests/msgbox/x_display.h"

namespace vem {
namespace {

using std::chrono::seconds;
using std::chrono::steady_clock;
using testing::EndMark;
using testing::OddUnits;
using testing::WideText;
using testing::Words;

// How the library hands the odd units of OddUnits() to the window system:
// UTF-8, each unpaired surrogate replaced.
const std::string kOddUnitsShown =
    "\x01\x07\t\x0B\x0C\x1B\x7F|\xEF\xBF\xBD|\xEF\xBF\xBD|\xEF\xBF\xBD\xEF\xBF\xBD|\xF0\x9F\x98\x80|";

// Large texts are made when their case runs, not when the cases are listed.
struct Message {
  const char* name;
  WideText caption;
  std::function<WideText()> comment;
  std::function<WideText()> message;
  std::string captionShown;
  bool scrolls;  // the end is out of sight at first
};

// Whether `process` was started by this one: a box's helper, not a window
// the window manager opens of its own.
bool IsOwnChild(long process) {
  std::ifstream stat("/proc/" + std::to_string(process) + "/stat");
  std::string pid, name, state;
  long parent = 0;
  return process > 0 && stat >> pid >> name >> state >> parent && parent == getpid();
}

// Ends the helper processes this process started (the boxes still open).
void EndChildProcesses() {
  if (DIR* tasks = opendir("/proc/self/task")) {
    while (dirent* task = readdir(tasks)) {
      std::ifstream children(std::string("/proc/self/task/") + task->d_name + "/children");
      for (pid_t child; children >> child;) kill(child, SIGTERM);
    }
    closedir(tasks);
  }
}

void PrintTo(const Message& message, std::ostream* out) { *out << message.name; }

class MessageSizesGuiTest : public ::testing::TestWithParam<Message> {};

TEST_P(MessageSizesGuiTest, ShowsTheEndAndReturns) {
  const Message& box = GetParam();
  testing::XDisplayForTests display;
  ASSERT_TRUE(display.IsOpen()) << "run under scripts/with-xvfb.sh";
  VTSetMessageBoxTitleW(box.caption.c_str());
  const std::vector<unsigned long> before = display.ClientWindows();
  const WideText comment = box.comment();
  const WideText message = box.message();
  auto result = std::async(std::launch::async, [&] { return VTMessageBoxW(comment.c_str(), message.c_str(), 1, 2); });
  // A failed check leaves the box open; it is closed then, so that the call
  // returns and the test ends.
  struct CloseIfOpen {
    std::future<int32_t>& result;
    ~CloseIfOpen() {
      if (result.valid() && result.wait_for(seconds(0)) != std::future_status::ready) EndChildProcesses();
    }
  } close_if_open{result};

  unsigned long window = 0;
  for (const auto deadline = steady_clock::now() + seconds(30); window == 0 && steady_clock::now() < deadline;) {
    for (unsigned long listed : display.ClientWindows()) {
      if (std::find(before.begin(), before.end(), listed) == before.end() &&
          IsOwnChild(display.WindowProcess(listed))) {
        window = listed;
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ASSERT_NE(0u, window) << "no box appeared";
  EXPECT_EQ(box.captionShown, display.Title(window));

  // The message field inside its frame, in the base units that give the
  // client area its size.
  const auto client = display.ScreenRect(window);
  const BaseUnits units{(client.width * 4 + kDialogWidth / 2) / kDialogWidth,
                        (client.height * 8 + kDialogHeight / 2) / kDialogHeight};
  const PixelRect field = ToPixels(kTemplateControls[2].rect, units);
  const testing::XDisplayForTests::Rect inside{field.x + 2, field.y + 2, field.width - 4, field.height - 4};
  auto end_in_sight = [&] { return display.LongestDarkRun(window, inside) > inside.width * 2 / 5; };
  auto becomes = [&](auto condition) {
    for (const auto deadline = steady_clock::now() + seconds(30); steady_clock::now() < deadline;) {
      if (condition()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  };
  if (box.scrolls) {
    // Painted, the start of the text in sight, and the end not yet.
    EXPECT_TRUE(becomes([&] { return display.LongestDarkRun(window, inside) > 0; }));
    EXPECT_FALSE(end_in_sight());
  }
  const std::string id = std::to_string(window);
  ASSERT_EQ(0, std::system(("xdotool windowactivate --sync " + id + " key --clearmodifiers Tab ctrl+End").c_str()));
  EXPECT_TRUE(becomes(end_in_sight)) << "the end of the message never came into sight";

  // Enter in the field presses the default button, OK.
  ASSERT_EQ(0, std::system(("xdotool windowactivate --sync " + id + " key --clearmodifiers Return").c_str()));
  ASSERT_EQ(std::future_status::ready, result.wait_for(seconds(10)));
  EXPECT_EQ(1, result.get());
}

std::function<WideText()> Text(const WideText& text) {
  return [text] { return text; };
}

std::vector<Message> Messages() {
  std::vector<Message> messages;
  for (const testing::MessageSize& size : testing::kMessageSizes) {
    messages.push_back({size.name, WideText(size.name, size.name + std::strlen(size.name)), Text(u"sized"),
                        [size] { return Words(size.units, size.lines); }, size.name, true});
  }
  messages.push_back({"SixteenMebibyteComment", u"long comment", [] { return Words(16 << 20, 0); },
                      Text(u"short" + EndMark()), "long comment", false});
  messages.push_back({"OddUnitsInEveryText", u"caption" + OddUnits(), Text(u"comment" + OddUnits()),
                      Text(OddUnits() + u"\r\n" + OddUnits() + u"\n\r" + EndMark()), "caption" + kOddUnitsShown,
                      false});
  return messages;
}

INSTANTIATE_TEST_SUITE_P(Messages, MessageSizesGuiTest, ::testing::ValuesIn(Messages()),
                         [](const ::testing::TestParamInfo<Message>& message) {
                           return std::string(message.param.name);
                         });

}  // namespace
}  // namespace vem
