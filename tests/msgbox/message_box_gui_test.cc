// The message box on an X display (run under scripts/with-xvfb.sh): each box
// describes itself into a folder the test names, the screen is read back for
// what the user sees, and xdotool plays the user. Each test runs in a process
// of its own, since the owner window is looked for once per process.
#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <future>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "VemMsgBox.h"
#include "msgbox/helper/dialog_units.h"
#include "tests/msgbox/box_descriptions.h"
#include "tests/msgbox/large_messages.h"
#include "tests/msgbox/x_display.h"

namespace vem_test {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

class MessageBoxGuiTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(display_.IsOpen()) << "run under scripts/with-xvfb.sh"; }
  // A failed check may leave boxes open: their helpers end, so the calls do.
  void TearDown() override { SignalChildProcesses(SIGTERM); }

  // Keys and clicks go to the box made active first, as the user's would.
  static void Xdotool(const Box& box, const std::string& actions) {
    const std::string command = "xdotool windowactivate --sync " + box.Text("window") + " " + actions;
    ASSERT_EQ(0, std::system((command + " >/dev/null 2>&1").c_str())) << actions;
  }
  // The rectangle of control `index` (template order) as the box placed it.
  static vem::PixelRect Control(const Box& box, int index) {
    std::istringstream numbers(box.Text("controls"));
    int id = 0;
    vem::PixelRect r{};
    for (int i = 0; i <= index; ++i) numbers >> id >> r.x >> r.y >> r.width >> r.height;
    return r;
  }
  static std::future<int32_t> ShowModal(const WideText& comment, const WideText& message) {
    return std::async(std::launch::async,
                      [=] { return VTMessageBoxW(comment.c_str(), message.c_str(), 1, VT_MSGBOX_MODAL); });
  }

  BoxDescriptions boxes_;
  XDisplayForTests display_;
};

// Every kind's icon; texts shown literally, null ones as the template's, odd
// units as UTF-8 with each unpaired surrogate replaced; the caption is the
// executable's path until a title is set; the controls at the template's
// places in dialog units; OK focused and the default.
TEST_F(MessageBoxGuiTest, EachKindShowsItsTextsAndIconAtTheTemplatePlaces) {
  char path[4096];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path);
  ASSERT_GT(length, 0);
  const std::string odd =
      "\x01\x07\t\x0B\x0C\x1B\x7F|\xEF\xBF\xBD|\xEF\xBF\xBD|\xEF\xBF\xBD\xEF\xBF\xBD|\xF0\x9F\x98\x80|";
  const WideText none = u"\xFFFF";
  const struct {
    WideText title, comment, message;
    int32_t kind;
    std::string caption, shownComment, shownMessage, icon;
  } cases[] = {
      {none, none, none, 0, std::string(path, length), "The comment is absent for this message", "Undefined error",
       "question"},
      {u"V <b>&amp; %s", u"<i>f</i> & %d", u"one\r\ntwo <b>", 1, "V <b>&amp; %s", "<i>f</i> & %d", "one\r\ntwo <b>",
       "information"},
      {u"t", u"", u"", 2, "t", "", "", "warning"},
      {u"t" + OddUnits(), u"c" + OddUnits(), OddUnits() + u"\r\n", 3, "t" + odd, "c" + odd, odd + "\r\n", "error"},
      {u"t", u"c", u"m", 4, "t", "c", "m", "information"},
      {u"t", u"c", u"m", -1, "t", "c", "m", "information"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.kind);
    auto given = [&](const WideText& text) { return text == none ? nullptr : text.c_str(); };
    if (c.title != none) VTSetMessageBoxTitleW(c.title.c_str());
    ASSERT_EQ(0, VTMessageBoxW(given(c.comment), given(c.message), c.kind, VT_MSGBOX_ASYNC));
    const Box box = boxes_.NextBox();
    EXPECT_EQ(c.caption + "|" + c.shownComment + "|" + c.shownMessage + "|" + c.icon + "|emblem",
              box.Text("caption") + "|" + box.Text("comment") + "|" + box.Text("message") + "|" + box.Text("icon") +
                  "|" + box.Text("window-icon"));
    EXPECT_EQ(0, box.Number("resizable"));
    EXPECT_EQ(1, box.Number("ok-focused"));
    EXPECT_EQ(1, box.Number("ok-default"));
    vem::BaseUnits units{};
    std::istringstream(box.Text("base-units")) >> units.x >> units.y;
    ASSERT_GT(units.x * units.y, 0);
    // Each control's id and place in dialog units, in template order.
    const int places[][5] = {{1, 110, 149, 50, 14}, {1009, 52, 11, 207, 20}, {1005, 6, 52, 265, 85},
                             {-1, 10, 41, 62, 8},   {1008, 15, 10, 20, 20},  {-1, 7, 1, 37, 34}};
    std::string expected;
    for (const auto& p : places) {
      const vem::PixelRect r = vem::ToPixels({p[1], p[2], p[3], p[4]}, units);
      for (int n : {p[0], r.x, r.y, r.width, r.height}) expected += std::to_string(n) + " ";
    }
    EXPECT_EQ(expected, box.Text("controls"));
    kill(static_cast<pid_t>(box.pid), SIGTERM);
  }
}

// Enter and a click on OK end a box with 1; Esc and the window manager's
// close request end it with 2.
TEST_F(MessageBoxGuiTest, EachWayOfClosingGivesItsEndCode) {
  const struct {
    std::string how;
    int32_t end;
  } ways[] = {{"Return", 1}, {"click", 1}, {"Escape", 2}, {"close", 2}};
  for (const auto& way : ways) {
    auto result = ShowModal(u"comment", u"message");
    const Box box = boxes_.NextBox();
    const vem::PixelRect ok = Control(box, 0);
    if (way.how == "click") {
      Xdotool(box, "mousemove --window " + box.Text("window") + " " + std::to_string(ok.x + ok.width / 2) + " " +
                       std::to_string(ok.y + ok.height / 2) + " click 1");
    } else if (way.how == "close") {
      display_.RequestClose(std::stoul(box.Text("window")));
    } else {
      Xdotool(box, "key --clearmodifiers " + way.how);
    }
    EXPECT_EQ(way.end, result.get()) << way.how;
  }
}

// Two awaited boxes, each on its own thread, hold the wait until both have
// closed; a mode 0 box does not; mode 3 shows nothing.
TEST_F(MessageBoxGuiTest, WaitEndsWhenEveryAwaitedBoxHasClosed) {
  ASSERT_EQ(0, VTMessageBoxA("first", "one", 0, VT_MSGBOX_ASYNC_AWAITED));
  ASSERT_EQ(0, VTMessageBoxA("second", "two", 3, VT_MSGBOX_ASYNC_AWAITED));
  ASSERT_EQ(0, VTMessageBoxA("mode 3", "m", 1, 3));
  const Box first = boxes_.NextBox(), second = boxes_.NextBox();
  ASSERT_EQ(0, VTMessageBoxA("unawaited", "m", 1, VT_MSGBOX_ASYNC));
  const Box unawaited = boxes_.NextBox();
  EXPECT_EQ("unawaited", unawaited.Text("comment")) << "mode 3 showed a box";
  auto waited = std::async(std::launch::async, VTisMessageBoxReaded);
  display_.RequestClose(std::stoul(second.Text("window")));
  EXPECT_EQ(std::future_status::timeout, waited.wait_for(milliseconds(300))) << "one box is still open";
  display_.RequestClose(std::stoul(first.Text("window")));
  EXPECT_EQ(std::future_status::ready, waited.wait_for(seconds(10)));
  EXPECT_EQ(0, kill(static_cast<pid_t>(unawaited.pid), 0)) << "the mode 0 box is still open";
}

// The process's window found at the first call owns the awaited box, which
// is modal for it, whether it is listed first or after a client that has
// gone; a mode 0 box has no owner.
class OwnerGuiTest : public MessageBoxGuiTest, public ::testing::WithParamInterface<bool> {};

TEST_P(OwnerGuiTest, OwnerIsTheProcessWindowFoundAtFirstCall) {
  const unsigned long owner = display_.CreateOwnWindow();
  ASSERT_NE(0u, owner);
  if (GetParam()) display_.ListGoneClient();
  ASSERT_EQ(0, VTMessageBoxA("owned", "m", 1, VT_MSGBOX_ASYNC_AWAITED));
  const Box owned = boxes_.NextBox();
  EXPECT_EQ(static_cast<long long>(owner), owned.Number("transient-for"));
  EXPECT_EQ(1, owned.Number("modal"));
  ASSERT_EQ(0, VTMessageBoxA("unowned", "m", 1, VT_MSGBOX_ASYNC));
  EXPECT_EQ(0, boxes_.NextBox().Number("transient-for"));
}

INSTANTIATE_TEST_SUITE_P(GoneClientFirst, OwnerGuiTest, ::testing::Bool());

// Large messages are in the field whole; they open at their start, and the
// end, first out of sight, is reached by moving to the field and its end.
class MessageSizesGuiTest : public MessageBoxGuiTest, public ::testing::WithParamInterface<MessageSize> {};

TEST_P(MessageSizesGuiTest, ShowsTheWholeTextAndScrollsToItsEnd) {
  const WideText message = Words(GetParam().units, GetParam().lines);
  auto result = ShowModal(u"sized", message);
  const Box box = boxes_.NextBox();
  EXPECT_TRUE(box.Text("message") == std::string(message.begin(), message.end())) << "the text is not whole";
  const vem::PixelRect field = Control(box, 2);
  auto dark_run = [&] {
    return display_.LongestDarkRun(std::stoul(box.Text("window")), field.x + 2, field.y + 2, field.width - 4,
                                   field.height - 4);
  };
  auto becomes = [&](auto condition) {
    for (const auto deadline = std::chrono::steady_clock::now() + seconds(30);
         std::chrono::steady_clock::now() < deadline; std::this_thread::sleep_for(milliseconds(50))) {
      if (condition()) return true;
    }
    return false;
  };
  const int across = (field.width - 4) * 2 / 5;
  // Until the field is painted it is dark all across, as the end is: wait
  // for the start's words.
  EXPECT_TRUE(becomes([&] {
    const int run = dark_run();
    return run > 0 && run < across;
  })) << "nothing painted, or the end is in sight before scrolling";
  Xdotool(box, "key --clearmodifiers Tab ctrl+End");
  EXPECT_TRUE(becomes([&] { return dark_run() > across; })) << "the end never came into sight";
  Xdotool(box, "key --clearmodifiers Return");  // in the field too, Enter presses OK
  ASSERT_EQ(std::future_status::ready, result.wait_for(seconds(10)));
  EXPECT_EQ(1, result.get());
}

INSTANTIATE_TEST_SUITE_P(Sizes, MessageSizesGuiTest, ::testing::ValuesIn(kMessageSizes),
                         [](const auto& size) { return std::string(size.param.name); });

}  // namespace
}  // namespace vem_test
