// The message box on an X display (run under scripts/with-xvfb.sh): each box
// describes itself into a folder the test names, xdotool plays the user, and
// each test runs in a process of its own, since the owner window is looked
// for once per process. Boxes are asked for by the header's mode names, as
// callers ask for them.
#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <future>
#include <set>
#include <sstream>
#include <string>
#include <thread>

#include "VemMsgBox.h"
#include "msgbox/helper/dialog_template.h"
#include "msgbox/helper/dialog_units.h"
#include "tests/msgbox/box_descriptions.h"
#include "tests/msgbox/x_display.h"

namespace vem {
namespace {

using std::chrono::milliseconds;
using WideText = std::basic_string<VemWChar>;

WideText Wide(const std::string& ascii) { return WideText(ascii.begin(), ascii.end()); }

class MessageBoxGuiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(boxes_.Folder().empty());
    ASSERT_TRUE(display_.IsOpen()) << "run under scripts/with-xvfb.sh";
  }

  static void Xdotool(const std::string& arguments) {
    ASSERT_EQ(0, std::system(("xdotool " + arguments + " >/dev/null 2>&1").c_str())) << arguments;
  }
  // Keys and clicks go to the box made active first, as the user's would.
  static void PressKey(const Box& box, const std::string& key) {
    Xdotool("windowactivate --sync " + box.Text("window") + " key --clearmodifiers " + key);
  }
  static void ClickOk(const Box& box) {
    std::istringstream rect(box.Text("control"));  // the first control is OK
    int id, x, y, width, height;
    rect >> id >> x >> y >> width >> height;
    Xdotool("windowactivate --sync " + box.Text("window") + " mousemove --window " + box.Text("window") + " " +
            std::to_string(x + width / 2) + " " + std::to_string(y + height / 2) + " click 1");
  }
  // Closed by window rather than by keys, which the focused box would take.
  void Close(const Box& box) { display_.RequestClose(std::stoul(box.Text("window"))); }

  BoxDescriptions boxes_;
  testing::XDisplayForTests display_;
};

std::future<int32_t> ShowModal(const WideText& comment, const WideText& message, int32_t kind) {
  return std::async(std::launch::async, [comment, message, kind] {
    return VTMessageBoxW(comment.c_str(), message.c_str(), kind, VT_MSGBOX_MODAL);
  });
}

// Enter and a click on OK end a box with 1; Esc and the window manager's
// close request end it with 2. OK has the focus and is the default.
TEST_F(MessageBoxGuiTest, EachWayOfClosingGivesItsEndCode) {
  const struct {
    std::string how;
    int32_t end;
  } ways[] = {{"Return", 1}, {"click", 1}, {"Escape", 2}, {"close", 2}};
  for (const auto& way : ways) {
    auto result = ShowModal(Wide("comment"), Wide("message"), 1);
    const Box box = boxes_.NextBox();
    EXPECT_EQ(kOkButtonId, box.Number("focus"));
    EXPECT_EQ(kOkButtonId, box.Number("default"));
    if (way.how == "click") {
      ClickOk(box);
    } else if (way.how == "close") {
      Close(box);
    } else {
      PressKey(box, way.how);
    }
    EXPECT_EQ(way.end, result.get()) << way.how;
  }
}

// Every kind's icon; texts shown literally, null ones as the template's; the
// caption is the executable's path until a title is set; the controls are
// at the template's places in a window of the template's size.
TEST_F(MessageBoxGuiTest, ShowsCaptionIconCommentAndMessage) {
  char path[4096];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path);
  ASSERT_GT(length, 0);
  const struct {
    const char *title, *comment, *message;
    int32_t kind;
    std::string caption, shownComment, shownMessage, icon;
  } cases[] = {{nullptr, nullptr, nullptr, 0, std::string(path, length), "The comment is absent for this message",
                "Undefined error", "question"},
               {"Viewer <b>&amp; %s", "Saving <i>failed</i> & %d", "one\r\ntwo <b>x</b> &amp;", 1, "Viewer <b>&amp; %s",
                "Saving <i>failed</i> & %d", "one\r\ntwo <b>x</b> &amp;", "information"},
               {"t", "", "", 2, "t", "", "", "warning"},
               {"t", "c", "m", 3, "t", "c", "m", "error"},
               {"t", "c", "m", 4, "t", "c", "m", "information"},
               {"t", "c", "m", -1, "t", "c", "m", "information"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.kind);
    if (c.title != nullptr) VTSetMessageBoxTitleA(c.title);
    ASSERT_EQ(0, VTMessageBoxA(c.comment, c.message, c.kind, VT_MSGBOX_ASYNC));
    const Box box = boxes_.NextBox();
    EXPECT_EQ(c.caption, box.Text("caption"));
    EXPECT_EQ(c.shownComment, box.Text("comment"));
    EXPECT_EQ(c.shownMessage, box.Text("message"));
    EXPECT_EQ(c.icon, box.Text("icon"));
    EXPECT_EQ("emblem", box.Text("window-icon"));
    EXPECT_EQ(0, box.Number("resizable"));
    const BaseUnits units{static_cast<int>(box.Number("base-x")), static_cast<int>(box.Number("base-y"))};
    ASSERT_GT(units.x * units.y, 0);
    const PixelRect client = ToPixels(DialogUnitsRect{0, 0, kDialogWidth, kDialogHeight}, units);
    EXPECT_EQ(client.width, box.Number("client-width"));
    EXPECT_EQ(client.height, box.Number("client-height"));
    std::string expected, described;  // the controls in template order
    for (const auto& control : kTemplateControls) {
      const PixelRect r = ToPixels(control.rect, units);
      expected += " " + std::to_string(control.id) + " " + std::to_string(r.x) + " " + std::to_string(r.y) + " " +
                  std::to_string(r.width) + " " + std::to_string(r.height);
    }
    const std::string& bytes = box.record.bytes();
    for (std::size_t at = 0; (at = bytes.find("\ncontrol ", at)) != std::string::npos; ++at) {
      const std::size_t start = bytes.find('\n', at + 1) + 1;
      described += " " + bytes.substr(start, bytes.find('\n', start) - start);
    }
    EXPECT_EQ(expected, described);
    kill(static_cast<pid_t>(box.pid), SIGTERM);
  }
}

// Two awaited boxes, each on its own thread with its own texts, hold the
// wait until both have closed; a mode 0 box does not; mode 3 shows nothing.
TEST_F(MessageBoxGuiTest, WaitEndsWhenEveryAwaitedBoxHasClosed) {
  ASSERT_EQ(0, VTMessageBoxA("first", "one", 0, VT_MSGBOX_ASYNC_AWAITED));
  ASSERT_EQ(0, VTMessageBoxA("second", "two", 3, VT_MSGBOX_ASYNC_AWAITED));
  ASSERT_EQ(0, VTMessageBoxA("mode 3", "m", 1, 3));
  const Box first = boxes_.NextBox(), second = boxes_.NextBox();
  EXPECT_EQ((std::set<std::string>{"first one question", "second two error"}),
            (std::set<std::string>{first.Text("comment") + " " + first.Text("message") + " " + first.Text("icon"),
                                   second.Text("comment") + " " + second.Text("message") + " " + second.Text("icon")}));
  ASSERT_EQ(0, VTMessageBoxA("unawaited", "m", 1, VT_MSGBOX_ASYNC));
  const Box unawaited = boxes_.NextBox();
  EXPECT_EQ("unawaited", unawaited.Text("comment")) << "mode 3 showed a box";
  auto waited = std::async(std::launch::async, VTisMessageBoxReaded);
  Close(first);
  EXPECT_EQ(std::future_status::timeout, waited.wait_for(milliseconds(300))) << "one box is still open";
  Close(second);
  if (waited.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
    kill(static_cast<pid_t>(second.pid), SIGKILL);  // so that the wait, and the test, end
  }
  EXPECT_EQ(1, waited.get());
  EXPECT_EQ(0, kill(static_cast<pid_t>(unawaited.pid), 0)) << "the mode 0 box is still open";
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(1, VTisMessageBoxReaded());
  EXPECT_LT(std::chrono::steady_clock::now() - start, milliseconds(500)) << "nothing left to wait for";
  Close(unawaited);
}

// The process's window found at the first call owns the awaited box, which
// is modal for it and centred on it; a mode 0 box has no owner.
TEST_F(MessageBoxGuiTest, OwnerIsTheProcessWindowFoundAtFirstCall) {
  const unsigned long owner = display_.CreateOwnWindow();
  ASSERT_NE(0u, owner);
  ASSERT_EQ(0, VTMessageBoxA("owned", "m", 1, VT_MSGBOX_ASYNC_AWAITED));
  const Box owned = boxes_.NextBox();
  EXPECT_EQ(static_cast<long long>(owner), owned.Number("transient-for"));
  EXPECT_EQ(1, owned.Number("modal"));
  std::this_thread::sleep_for(milliseconds(300));  // the window manager has the last word
  const auto area = display_.ScreenRect(owner);
  const auto box = display_.ScreenRect(std::stoul(owned.Text("window")));
  EXPECT_NEAR(area.x + area.width / 2, box.x + box.width / 2, 30);
  EXPECT_NEAR(area.y + area.height / 2, box.y + box.height / 2, 30);
  ASSERT_EQ(0, VTMessageBoxA("unowned", "m", 1, VT_MSGBOX_ASYNC));
  const Box unowned = boxes_.NextBox();
  EXPECT_EQ(0, unowned.Number("transient-for"));
  Close(unowned);
  Close(owned);
  VTisMessageBoxReaded();
}

TEST_F(MessageBoxGuiTest, NoWindowAtFirstCallMeansNoOwnerLater) {
  EXPECT_EQ(0, VTMessageBoxA("nothing", "m", 1, 3));  // the first call finds no window
  ASSERT_NE(0u, display_.CreateOwnWindow());
  ASSERT_EQ(0, VTMessageBoxA("later", "m", 1, VT_MSGBOX_ASYNC_AWAITED));
  const Box box = boxes_.NextBox();
  EXPECT_EQ(0, box.Number("transient-for"));
  Close(box);
  VTisMessageBoxReaded();
}

}  // namespace
}  // namespace vem
