// The message box on an X display (run under scripts/with-xvfb.sh): each box
// describes itself into a folder the test names, xdotool plays the user, and
// each test runs in a process of its own, since the owner window is looked
// for once per process.
#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <future>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "VemMsgBox.h"
#include "msgbox/helper/dialog_template.h"
#include "msgbox/helper/dialog_units.h"
#include "msgbox/helper_protocol.h"
#include "tests/msgbox/box_descriptions.h"
#include "tests/msgbox/x_display.h"

namespace vem {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;
using WideText = std::basic_string<VemWChar>;

WideText Wide(const std::string& ascii) { return WideText(ascii.begin(), ascii.end()); }

// One box on screen, as its helper described it.
struct Box {
  long pid = 0;
  FieldRecord record;

  std::string Text(const char* name) const {
    const std::string* value = record.Find(name);
    return value != nullptr ? *value : "<absent: " + std::string(name) + ">";
  }
  long long Number(const char* name) const {
    std::int64_t value = -1;
    record.FindInteger(name, &value);
    return value;
  }
  std::string Window() const { return Text("window"); }
};

class MessageBoxGuiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(boxes_.Folder().empty());
    ASSERT_TRUE(display_.IsOpen()) << "run under scripts/with-xvfb.sh";
  }

  // The next box that appears (one not returned before); fails after 30 s
  // (sanitizer builds draw slowly), closing every box still open so that a
  // waiting call can return.
  Box NextBox() {
    const auto deadline = steady_clock::now() + std::chrono::seconds(30);
    while (steady_clock::now() < deadline) {
      for (const std::string& name : boxes_.Files()) {
        if (!seen_.insert(name).second) continue;
        std::ifstream file(boxes_.Folder() + "/" + name, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        Box box;
        box.pid = std::stol(name);
        EXPECT_TRUE(box.record.Parse(bytes)) << name;
        return box;
      }
      std::this_thread::sleep_for(milliseconds(20));
    }
    ADD_FAILURE() << "no box appeared";
    EndOwnHelpers();
    return Box();
  }

  static void Xdotool(const std::string& arguments) {
    ASSERT_EQ(0, std::system(("xdotool " + arguments + " >/dev/null 2>&1").c_str())) << arguments;
  }
  // A key typed into the box, as the user would: the box is made active first.
  static void PressKey(const Box& box, const char* key) {
    Xdotool("windowactivate --sync " + box.Window() + " key --clearmodifiers " + key);
  }
  static void ClickOk(const Box& box) {
    std::istringstream rect(box.Text("control"));  // the first control is OK
    int id, x, y, width, height;
    rect >> id >> x >> y >> width >> height;
    Xdotool("windowactivate --sync " + box.Window() + " mousemove --window " + box.Window() + " " +
            std::to_string(x + width / 2) + " " + std::to_string(y + height / 2) + " click 1");
  }
  void RequestClose(const Box& box) { display_.RequestClose(std::stoul(box.Window())); }
  // Ends the helper processes this process started (the boxes still open).
  static void EndOwnHelpers() {
    if (DIR* tasks = opendir("/proc/self/task")) {
      while (dirent* task = readdir(tasks)) {
        std::ifstream children(std::string("/proc/self/task/") + task->d_name + "/children");
        for (pid_t child; children >> child;) kill(child, SIGTERM);
      }
      closedir(tasks);
    }
  }
  static bool IsRunning(const Box& box) { return kill(static_cast<pid_t>(box.pid), 0) == 0; }

  BoxDescriptions boxes_;
  std::set<std::string> seen_;
  testing::XDisplayForTests display_;
};

std::future<int32_t> ShowModal(const WideText& comment, const WideText& message, int32_t kind) {
  return std::async(std::launch::async, [comment, message, kind] {
    return VTMessageBoxW(comment.c_str(), message.c_str(), kind, 2);
  });
}

// --- How a box ends ----------------------------------------------------------------

// Enter and a click on OK end a box with 1; Esc and the window manager's
// close request end it with 2.
TEST_F(MessageBoxGuiTest, EachWayOfClosingGivesItsEndCode) {
  const struct {
    std::string how;
    int32_t end;
  } ways[] = {{"Return", 1}, {"click", 1}, {"Escape", 2}, {"close", 2}};
  for (const auto& way : ways) {
    auto result = ShowModal(Wide("comment"), Wide("message"), 1);
    const Box box = NextBox();
    EXPECT_EQ(kOkButtonId, box.Number("focus")) << "OK has the focus at first";
    if (way.how == "click") {
      ClickOk(box);
    } else if (way.how == "close") {
      RequestClose(box);
    } else {
      PressKey(box, way.how.c_str());
    }
    EXPECT_EQ(way.end, result.get()) << way.how;
  }
}

// --- What a box shows ------------------------------------------------------------

TEST_F(MessageBoxGuiTest, FollowsTheTemplateAndShowsTextsLiterally) {
  const WideText title = Wide("Viewer <b>&amp; %s");
  VTSetMessageBoxTitleW(title.c_str());
  auto result = ShowModal(Wide("Saving <i>failed</i> & %d"), Wide("Line one\r\nLine two <b>x</b> &amp;"), 2);
  const Box box = NextBox();
  EXPECT_EQ("Viewer <b>&amp; %s", box.Text("caption"));
  EXPECT_EQ("Saving <i>failed</i> & %d", box.Text("comment"));
  EXPECT_EQ("Line one\nLine two <b>x</b> &amp;", box.Text("message"));
  EXPECT_EQ("warning", box.Text("icon"));
  EXPECT_EQ("emblem", box.Text("window-icon"));
  EXPECT_EQ(0, box.Number("resizable"));
  EXPECT_EQ(kOkButtonId, box.Number("default"));

  const BaseUnits units{static_cast<int>(box.Number("base-x")), static_cast<int>(box.Number("base-y"))};
  ASSERT_GT(units.x, 0);
  ASSERT_GT(units.y, 0);
  const PixelRect client = ToPixels(DialogUnitsRect{0, 0, kDialogWidth, kDialogHeight}, units);
  EXPECT_EQ(client.width, box.Number("client-width"));
  EXPECT_EQ(client.height, box.Number("client-height"));
  // The controls, in template order, at the template's rectangles.
  std::vector<std::string> described;
  for (std::size_t at = 0; (at = box.record.bytes().find("\ncontrol ", at)) != std::string::npos; ++at) {
    const std::size_t start = box.record.bytes().find('\n', at + 1) + 1;
    described.push_back(box.record.bytes().substr(start, box.record.bytes().find('\n', start) - start));
  }
  ASSERT_EQ(std::size(kTemplateControls), described.size());
  for (std::size_t i = 0; i < described.size(); ++i) {
    const PixelRect rect = ToPixels(kTemplateControls[i].rect, units);
    const std::string expected = std::to_string(kTemplateControls[i].id) + " " + std::to_string(rect.x) + " " +
                                 std::to_string(rect.y) + " " + std::to_string(rect.width) + " " +
                                 std::to_string(rect.height);
    EXPECT_EQ(expected, described[i]) << "control " << i;
  }
  PressKey(box, "Return");
  EXPECT_EQ(1, result.get());
}

TEST_F(MessageBoxGuiTest, CaptionDefaultsToExecutablePath) {
  char path[4096];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path);
  ASSERT_GT(length, 0);
  auto result = ShowModal(Wide("c"), Wide("m"), 1);
  const Box box = NextBox();
  EXPECT_EQ(std::string(path, static_cast<std::size_t>(length)), box.Text("caption"));
  PressKey(box, "Escape");
  result.get();
}

TEST_F(MessageBoxGuiTest, NullTextsShowTheTemplateTexts) {
  auto result = std::async(std::launch::async, [] { return VTMessageBoxA(nullptr, nullptr, 0, 2); });
  const Box box = NextBox();
  EXPECT_EQ("The comment is absent for this message", box.Text("comment"));
  EXPECT_EQ("Undefined error", box.Text("message"));
  PressKey(box, "Return");
  EXPECT_EQ(1, result.get());
}

// A megabyte of log lines; line ends arrive as line breaks.
TEST_F(MessageBoxGuiTest, LongMessageAndAnyCharactersAreShownWhole) {
  WideText message;
  for (VemWChar unit = 1; unit < 0x20; ++unit) message += unit;  // control characters
  message += static_cast<VemWChar>(0xD800);                        // a lone surrogate
  std::string lines;
  while (lines.size() < (1 << 20)) lines += std::string(78, 'm') + "\n";
  for (char c : lines) {
    if (c == '\n') message += static_cast<VemWChar>('\r');
    message += static_cast<VemWChar>(c);
  }
  auto result = ShowModal(Wide("long"), message, 1);
  const Box box = NextBox();
  const std::string shown = box.Text("message");
  ASSERT_GE(shown.size(), lines.size());
  EXPECT_EQ(lines, shown.substr(shown.size() - lines.size()));
  EXPECT_NE(std::string::npos, shown.find("\xEF\xBF\xBD")) << "the lone surrogate is replaced";
  PressKey(box, "Return");
  EXPECT_EQ(1, result.get());
}

// Also leaves a screenshot of each kind's box in the build tree, to be looked at.
TEST_F(MessageBoxGuiTest, KindsShowTheirIcons) {
  const struct {
    int32_t kind;
    const char* icon;
  } kinds[] = {{0, "question"}, {1, "information"}, {2, "warning"}, {3, "error"}, {4, "information"}, {-1, "information"}};
  mkdir(VEMMISC_TEST_SCREENSHOTS, 0755);
  for (const auto& kind : kinds) {
    ASSERT_EQ(0, VTMessageBoxA("The kind's icon is beside this comment.", "Message", kind.kind, 0));
    const Box box = NextBox();
    EXPECT_EQ(kind.icon, box.Text("icon")) << kind.kind;
    if (kind.kind >= 0 && kind.kind <= 3) {
      const std::string shot = std::string(VEMMISC_TEST_SCREENSHOTS) + "/kind-" + std::to_string(kind.kind) + ".png";
      std::system(("import -window root -crop " + std::to_string(box.Number("client-width") + 40) + "x" +
                   std::to_string(box.Number("client-height") + 60) + "+" +
                   std::to_string(box.Number("screen-x") - 20) + "+" + std::to_string(box.Number("screen-y") - 40) +
                   " " + shot + " >/dev/null 2>&1")
                      .c_str());
    }
    kill(static_cast<pid_t>(box.pid), SIGTERM);
  }
}

// --- Awaited and unawaited boxes ---------------------------------------------------

TEST_F(MessageBoxGuiTest, WaitReturnsOnlyAfterBothAwaitedBoxesClosed) {
  ASSERT_EQ(0, VTMessageBoxA("first", "m", 1, 1));
  ASSERT_EQ(0, VTMessageBoxA("second", "m", 1, 1));
  const Box first = NextBox();
  const Box second = NextBox();
  auto waited = std::async(std::launch::async, [] { return VTisMessageBoxReaded(); });
  // Closed by window rather than by keys, which the box that has the focus
  // would take, whichever it is.
  RequestClose(first);
  EXPECT_EQ(std::future_status::timeout, waited.wait_for(milliseconds(300))) << "one box is still open";
  RequestClose(second);
  const bool returned = waited.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
  if (!returned) EndOwnHelpers();  // so that the wait, and the test, can end
  ASSERT_TRUE(returned);
  EXPECT_EQ(1, waited.get());

  const auto start = steady_clock::now();
  EXPECT_EQ(1, VTisMessageBoxReaded());
  EXPECT_LT(steady_clock::now() - start, milliseconds(500)) << "nothing left to wait for";
}

TEST_F(MessageBoxGuiTest, AsyncBoxIsNotWaitedFor) {
  ASSERT_EQ(0, VTMessageBoxA("not awaited", "m", 1, 0));
  const Box box = NextBox();
  EXPECT_EQ(1, VTisMessageBoxReaded());
  EXPECT_TRUE(IsRunning(box)) << "the box is still open";
  PressKey(box, "Return");
}

TEST_F(MessageBoxGuiTest, TwoBoxesOnTwoThreadsShowTheirOwnTexts) {
  auto first = ShowModal(Wide("comment one"), Wide("message one"), 0);
  auto second = ShowModal(Wide("comment two"), Wide("message two"), 3);
  const Box a = NextBox();
  const Box b = NextBox();
  std::set<std::string> shown = {a.Text("comment") + "/" + a.Text("message") + "/" + a.Text("icon"),
                                 b.Text("comment") + "/" + b.Text("message") + "/" + b.Text("icon")};
  EXPECT_EQ((std::set<std::string>{"comment one/message one/question", "comment two/message two/error"}), shown);
  RequestClose(a);
  RequestClose(b);
  EXPECT_EQ(2, first.get());
  EXPECT_EQ(2, second.get());
}

// --- The owner window -----------------------------------------------------------------

TEST_F(MessageBoxGuiTest, OwnerIsTheProcessWindowFoundAtFirstCall) {
  const unsigned long owner = display_.CreateOwnWindow();
  ASSERT_NE(0u, owner);
  ASSERT_EQ(0, VTMessageBoxA("owned", "m", 1, 1));
  const Box owned = NextBox();
  EXPECT_EQ(static_cast<long long>(owner), owned.Number("transient-for"));
  EXPECT_EQ(1, owned.Number("modal"));
  // Centred on the owner, give or take the window manager's frame.
  std::this_thread::sleep_for(milliseconds(300));  // the window manager has the last word
  const auto area = display_.ScreenRect(owner);
  const auto box = display_.ScreenRect(std::stoul(owned.Window()));
  EXPECT_NEAR(area.x + area.width / 2, box.x + box.width / 2, 30);
  EXPECT_NEAR(area.y + area.height / 2, box.y + box.height / 2, 30);

  ASSERT_EQ(0, VTMessageBoxA("unowned", "m", 1, 0));
  const Box unowned = NextBox();
  EXPECT_EQ(0, unowned.Number("transient-for")) << "mode 0 boxes have no owner";
  RequestClose(unowned);
  RequestClose(owned);
  VTisMessageBoxReaded();
}

TEST_F(MessageBoxGuiTest, NoWindowAtFirstCallMeansNoOwnerLater) {
  EXPECT_EQ(0, VTMessageBoxA("nothing", "m", 1, 3));  // the first call finds no window
  ASSERT_NE(0u, display_.CreateOwnWindow());
  ASSERT_EQ(0, VTMessageBoxA("later", "m", 1, 1));
  const Box box = NextBox();
  EXPECT_EQ(0, box.Number("transient-for"));
  PressKey(box, "Return");
  VTisMessageBoxReaded();
}

}  // namespace
}  // namespace vem
