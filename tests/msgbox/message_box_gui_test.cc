// The message boxes on an X display (run under scripts/with-xvfb.sh), from a
// caller that loads the library itself from a folder laid out as an
// installation, with the test build of the helper, which describes each box
// it shows into a folder the test names. xdotool plays the user, and /proc
// shows what the helpers hold and what a failure leaves behind. Each test runs in a process of its
// own, since the owner window is looked for once per process. Last, the
// helper's parts that need no display.
#include <dlfcn.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "VemMsgBox.h"
#include "msgbox/helper/dialog_units.h"
#include "msgbox/helper/line_wrap.h"
#include "msgbox/helper_protocol.h"
#include "tests/support/temp_folder.h"

// Last, since Xlib's macros (None, Status, Bool, ...) would rewrite the
// headers above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace vem_test {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;
using std::chrono::steady_clock;
constexpr auto kAnswerTime = milliseconds(2000);

// Polls `done` for up to `patience`; whether it came true.
template <typename Condition>
bool Eventually(Condition done, milliseconds patience = seconds(30)) {
  for (const auto deadline = steady_clock::now() + patience; !done(); std::this_thread::sleep_for(milliseconds(20))) {
    if (steady_clock::now() > deadline) return false;
  }
  return true;
}

std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) names.push_back(entry.path().filename());
  return names;
}

// What this process holds that a box could leak: descriptors (with what
// they refer to), threads, and child processes.
std::set<std::string> WhatIsHeld() {
  std::set<std::string> held;
  for (const std::string& fd : Entries("/proc/self/fd")) {
    std::error_code error;
    held.insert("fd " + fd + " " + std::filesystem::read_symlink("/proc/self/fd/" + fd, error).string());
  }
  for (const std::string& task : Entries("/proc/self/task")) {
    held.insert("thread " + task);
    std::ifstream children("/proc/self/task/" + task + "/children");
    for (std::string child; children >> child;) held.insert("child " + child);
  }
  return held;
}

// Sends `signal` to the helpers of the boxes still open, so that a failed
// test still ends its calls.
void SignalChildProcesses(int signal) {
  for (const std::string& held : WhatIsHeld()) {
    if (held.compare(0, 6, "child ") == 0) kill(std::stoi(held.substr(6)), signal);
  }
}

// One box, as its helper described it; pid 0 when none appeared.
struct Box {
  pid_t pid = 0;
  vem::FieldRecord record;
  std::string Text(const char* name) const { return record.Find(name) ? *record.Find(name) : "<absent>"; }
};

class BoxTest : public ::testing::Test {
 protected:
  void SetUp() override { setenv("VEMMSGBOX_DESCRIBE", folder_.path().c_str(), 1); }
  void TearDown() override {
    SignalChildProcesses(SIGKILL);
    if (x_ != nullptr) XCloseDisplay(x_);
  }

  // Lays out <folder>/lib with the library and <folder>/libexec/vemmisc with
  // the helper: the describing test build, none ("HelperMissing"), or a file
  // that cannot be run ("HelperNotExecutable"); then loads the library from
  // there. One folder serves the whole process: the library, once loaded,
  // stays where it was first found. With `on_display`, also opens the
  // display that the test reads and acts on.
  void Load(const std::string& helper = "", bool on_display = false) {
    ASSERT_TRUE(!on_display || (x_ = XOpenDisplay(nullptr)) != nullptr) << "run under scripts/with-xvfb.sh";
    static const TempFolder folder("vemmsgbox-install-");
    const std::string lib = folder.path() + "/lib", libexec = folder.path() + "/libexec/vemmisc";
    std::filesystem::remove_all(lib);
    std::filesystem::remove_all(folder.path() + "/libexec");
    std::filesystem::create_directories(libexec);
    std::filesystem::create_directories(lib);
    std::filesystem::create_symlink(VEMMISC_LIBRARY_FILE, libraryPath_ = lib + "/libVemMisc.so.1");
    if (helper == "HelperNotExecutable") std::ofstream(libexec + "/vemmsgbox") << "#!/bin/sh\n";
    if (helper != "HelperNotExecutable" && helper != "HelperMissing")
      std::filesystem::create_symlink(VEMMISC_DESCRIBED_HELPER, libexec + "/vemmsgbox");
    library_ = dlopen(libraryPath_.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(nullptr, library_) << dlerror();
    show_ = reinterpret_cast<decltype(show_)>(dlsym(library_, "VTMessageBoxW"));
    title_ = reinterpret_cast<decltype(title_)>(dlsym(library_, "VTSetMessageBoxTitleW"));
    wait_ = reinterpret_cast<decltype(wait_)>(dlsym(library_, "VTisMessageBoxReaded"));
    ASSERT_TRUE(show_ != nullptr && title_ != nullptr && wait_ != nullptr);
  }

  // The next box described; after 30 s without one (sanitizer builds draw
  // slowly), a test failure and a Box with pid 0.
  Box NextBox() {
    Box box;
    const bool appeared = Eventually([&] {
      for (const std::string& name : Entries(folder_.path())) {
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".box") == 0 && seen_.insert(name).second) {
          box.pid = std::stoi(name);
          return box.record.Parse(folder_.Read(name));
        }
      }
      return false;
    });
    EXPECT_TRUE(appeared) << "no box appeared, or its description is not a record";
    return appeared ? box : Box();
  }
  // The helpers of the next `count` boxes to appear; fewer when they did not.
  std::vector<pid_t> Helpers(std::size_t count) {
    std::vector<pid_t> helpers;
    for (Box box; helpers.size() < count && (box = NextBox()).pid != 0;) helpers.push_back(box.pid);
    return helpers;
  }

  // Asks the window manager to close the box, as its close button does.
  void RequestClose(const Box& box) {
    XEvent event{};
    const Window window = std::stoul(box.Text("window"));
    event.xclient = {ClientMessage, 0, True, x_, window, XInternAtom(x_, "_NET_CLOSE_WINDOW", False), 32, {}};
    event.xclient.data.l[1] = 2;  // on behalf of the user, now
    XSendEvent(x_, DefaultRootWindow(x_), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XFlush(x_);
  }

  TempFolder folder_{"vemmsgbox-test-"};
  std::set<std::string> seen_;
  Display* x_ = nullptr;
  std::string libraryPath_;
  void* library_ = nullptr;
  decltype(&VTMessageBoxW) show_ = nullptr;
  decltype(&VTSetMessageBoxTitleW) title_ = nullptr;
  decltype(&VTisMessageBoxReaded) wait_ = nullptr;
};

// Every kind's icon; the texts as given, absent ones as the template's; the
// caption is the executable's path until a title is set; the controls at
// the template's places in dialog units. Enter and a click on OK end a box
// with 1, Esc and the window manager's close request with 2.
TEST_F(BoxTest, EachKindShowsItsTextsAndIconAtTheTemplatePlaces) {
  ASSERT_NO_FATAL_FAILURE(Load("", true));
  const std::string path = std::filesystem::read_symlink("/proc/self/exe");
  const int places[][5] = {{1, 110, 149, 50, 14}, {1009, 52, 11, 207, 20}, {1005, 6, 52, 265, 85},
                           {-1, 10, 41, 62, 8},   {1008, 15, 10, 20, 20},  {-1, 7, 1, 37, 34}};
  // One box of each kind: `text` is passed as both comment and message
  // (absent when `given` is false), with texts that a markup or format
  // parser, an odd unit or an absent text would change; `shown` is how the
  // dialog shows it: UTF-8, each unpaired surrogate replaced. The odd units
  // are control characters (all but the line breaks), lone and reversed
  // surrogates, and a pair, as the library's callers may pass them. `how`
  // is the way the box is closed.
  const struct {
    std::int32_t kind;
    bool given;
    std::u16string text;
    std::string shown, icon, how;
  } cases[] = {{0, false, u"", "", "question", "Return"},
               {1, true, u"V <b>&amp; %s </i>", "V <b>&amp; %s </i>", "information", "click"},
               {2, true, u"", "", "warning", "Escape"},
               {3, true, u"\x01\x07\t\x0B\x0C\x1B\x7F|\xD800|\xDC00|\xDC00\xD800|\xD83D\xDE00|",
                "\x01\x07\t\x0B\x0C\x1B\x7F|\xEF\xBF\xBD|\xEF\xBF\xBD|\xEF\xBF\xBD\xEF\xBF\xBD|\xF0\x9F\x98\x80|",
                "error", "close"},
               {4, true, u"m", "m", "information", "Return"},
               {-1, true, u"m", "m", "information", "click"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.kind);
    if (c.given) title_((u"t" + c.text).c_str());
    auto result = std::async(std::launch::async, [&] {
      return show_(c.given ? c.text.c_str() : nullptr, c.given ? c.text.c_str() : nullptr, c.kind, VT_MSGBOX_MODAL);
    });
    const Box box = NextBox();
    EXPECT_EQ((c.given ? "t" + c.shown : path) + "|" + (c.given ? c.shown : "The comment is absent for this message") +
                  "|" + (c.given ? c.shown : "Undefined error") + "|" + c.icon + "|emblem",
              box.Text("caption") + "|" + box.Text("comment") + "|" + box.Text("message") + "|" + box.Text("icon") +
                  "|" + box.Text("window-icon"));
    vem::BaseUnits units{};
    std::istringstream(box.Text("base-units")) >> units.x >> units.y;
    ASSERT_GT(units.x * units.y, 0);
    std::string expected;  // each control's id and place, in template order
    for (const auto& p : places) {
      const vem::PixelRect r = vem::ToPixels({p[1], p[2], p[3], p[4]}, units);
      for (int n : {p[0], r.x, r.y, r.width, r.height}) expected += std::to_string(n) + " ";
    }
    EXPECT_EQ(expected, box.Text("controls"));
    const vem::PixelRect ok = vem::ToPixels({110, 149, 50, 14}, units);
    const std::string at = std::to_string(ok.x + ok.width / 2) + " " + std::to_string(ok.y + ok.height / 2);
    // Keys and clicks go to the box made active first, as the user's would.
    const std::string actions = c.how == "click" ? "mousemove --window " + box.Text("window") + " " + at + " click 1"
                                                 : "key --clearmodifiers " + c.how;
    const std::string command = "xdotool windowactivate --sync " + box.Text("window") + " " + actions;
    if (c.how == "close") RequestClose(box);
    ASSERT_EQ(0, c.how == "close" ? 0 : std::system((command + " >/dev/null 2>&1").c_str())) << actions;
    EXPECT_EQ(c.how == "Return" || c.how == "click" ? 1 : 2, result.get()) << c.how;
  }
}

// Large messages (16 MiB on one line, 1 MiB in 10,000 lines) reach the
// field whole, and the box still answers the keyboard.
TEST_F(BoxTest, LargeMessagesReachTheFieldWhole) {
  ASSERT_NO_FATAL_FAILURE(Load("", true));
  std::mt19937 random(15);
  for (const std::size_t lines : {0, 10000}) {
    const std::size_t size = lines == 0 ? 16 << 20 : 1 << 20, line = lines == 0 ? size : size / lines;
    std::u16string message;
    for (std::size_t next_break = line; message.size() < size; message += u' ') {
      if (message.size() >= next_break) message += u"\r\n", next_break += line;
      message.append(1 + random() % 12, static_cast<char16_t>(u'a' + random() % 26));
    }
    auto result = std::async(std::launch::async, [&] { return show_(u"large", message.c_str(), 1, VT_MSGBOX_MODAL); });
    const Box box = NextBox();
    EXPECT_TRUE(box.Text("message") == std::string(message.begin(), message.end())) << lines << " lines: not whole";
    const std::string enter = "xdotool windowactivate --sync " + box.Text("window") + " key --clearmodifiers Return";
    ASSERT_EQ(0, std::system((enter + " >/dev/null 2>&1").c_str()));
    EXPECT_EQ(1, result.get());
  }
}

// The process's window found at the first call owns the awaited boxes,
// which are modal for it, whether it is listed first or after a client that
// has gone; a mode 0 box has no owner; mode 3 shows nothing. The two awaited
// boxes, each on its own thread, hold the wait until both have closed; the
// mode 0 box does not.
class OwnerTest : public BoxTest, public ::testing::WithParamInterface<bool> {};

TEST_P(OwnerTest, OwnerIsTheProcessWindowFoundAtFirstCall) {
  ASSERT_NO_FATAL_FAILURE(Load("", true));
  const Window owner = XCreateSimpleWindow(x_, DefaultRootWindow(x_), 100, 100, 600, 500, 0, 0, 0);
  const long pid = getpid();
  XChangeProperty(x_, owner, XInternAtom(x_, "_NET_WM_PID", False), XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&pid), 1);
  // A window mapped while the window manager is still starting may be left
  // unmanaged; it is mapped anew each second until the manager lists it.
  const std::string listed =
      "xprop -root _NET_CLIENT_LIST | grep -qw " + (std::ostringstream() << std::hex << "0x" << owner).str();
  ASSERT_TRUE(Eventually(
      [&] {
        XUnmapWindow(x_, owner);
        XMapWindow(x_, owner);
        XSync(x_, False);
        return Eventually([&] { return std::system(listed.c_str()) == 0; }, seconds(1));
      },
      seconds(15)));
  if (GetParam()) {  // a client gone, still first in the list
    const Window gone = XCreateSimpleWindow(x_, DefaultRootWindow(x_), 0, 0, 1, 1, 0, 0, 0);
    XDestroyWindow(x_, gone);
    XChangeProperty(x_, DefaultRootWindow(x_), XInternAtom(x_, "_NET_CLIENT_LIST", False), XA_WINDOW, 32,
                    PropModePrepend, reinterpret_cast<const unsigned char*>(&gone), 1);
    XSync(x_, False);
  }
  ASSERT_EQ(0, show_(u"first", u"one", 0, VT_MSGBOX_ASYNC_AWAITED));
  ASSERT_EQ(0, show_(u"second", u"two", 3, VT_MSGBOX_ASYNC_AWAITED));
  ASSERT_EQ(0, show_(u"mode 3", u"m", 1, 3));
  const Box first = NextBox(), second = NextBox();
  for (const Box& owned : {first, second})
    EXPECT_EQ(std::to_string(owner) + " 1", owned.Text("transient-for") + " " + owned.Text("modal"));
  ASSERT_EQ(0, show_(u"unawaited", u"m", 1, VT_MSGBOX_ASYNC));
  const Box unawaited = NextBox();
  EXPECT_EQ("unawaited 0", unawaited.Text("comment") + " " + unawaited.Text("transient-for"));
  auto waited = std::async(std::launch::async, wait_);
  RequestClose(second);
  EXPECT_EQ(std::future_status::timeout, waited.wait_for(milliseconds(300))) << "one box is still open";
  RequestClose(first);
  EXPECT_EQ(std::future_status::ready, waited.wait_for(seconds(10)));
  EXPECT_EQ(0, kill(unawaited.pid, 0)) << "the mode 0 box is still open";
}

INSTANTIATE_TEST_SUITE_P(GoneClientFirst, OwnerTest, ::testing::Values(false, true));

// The library goes away with a box open: with its process, or by dlclose.
TEST_F(BoxTest, UnloadingAndExitCloseOpenBoxes) {
  EXPECT_EXIT(
      {
        Load();
        std::exit(show_(u"open at exit", u"mode 0", 1, 0) != 0 || Helpers(1).size() != 1 ? 3 : 0);
      },
      ::testing::ExitedWithCode(0), "");
  Load();
  ASSERT_EQ(0, show_(u"open at unload", u"mode 0", 1, 0));
  ASSERT_EQ(0, show_(u"open at unload", u"mode 1", 1, 1));
  const std::vector<pid_t> helpers = Helpers(3);  // the exited process's box first
  ASSERT_EQ(3u, helpers.size());
  ASSERT_EQ(0, dlclose(library_));
  EXPECT_EQ(nullptr, dlopen(libraryPath_.c_str(), RTLD_NOW | RTLD_NOLOAD)) << "the library is really gone";
  for (pid_t helper : helpers) EXPECT_NE(0, kill(helper, 0)) << "helper " << helper << " still runs";
}

// Each failure by name; the helper's name the layout's (see Load).
class FailureTest : public BoxTest, public ::testing::WithParamInterface<const char*> {};

// A mode 2 box returns -1, a mode 1 box is taken all the same, and the wait
// returns; for a box that was on screen, within two seconds of the helper's
// end. Afterwards the caller holds what it held before. The helpers killed
// are a hostile caller's: over a thousand descriptors open (pipes, sockets,
// a file, none close-on-exec), its standard input and error closed and so
// free for the library's own, SIGTERM ignored and blocked. They start all the same (the
// test build refuses to run with anything beyond its standard streams), get
// /dev/null as standard error, and SIGTERM ends them.
TEST_P(FailureTest, FailureEndsCallAndWaitAndLeaksNothing) {
  const std::string failure = GetParam();
  if (failure == "HelperKilled") {
    rlimit limit;
    ASSERT_EQ(0, getrlimit(RLIMIT_NOFILE, &limit));
    limit.rlim_cur = std::max<rlim_t>(limit.rlim_cur, std::min<rlim_t>(limit.rlim_max, 4096));
    ASSERT_EQ(0, setrlimit(RLIMIT_NOFILE, &limit));
    int kinds[5];
    ASSERT_EQ(0, pipe(kinds));
    ASSERT_EQ(0, socketpair(AF_UNIX, SOCK_STREAM, 0, kinds + 2));
    kinds[4] = open((folder_.path() + "/caller-file").c_str(), O_RDWR | O_CREAT, 0600);
    for (int i = 0; i < 1100; ++i) ASSERT_LE(0, dup(kinds[i % 5]));
    signal(SIGTERM, SIG_IGN);
    sigset_t term;
    sigemptyset(&term);
    sigaddset(&term, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &term, nullptr);
    close(STDIN_FILENO);
    close(STDERR_FILENO);
  }
  ASSERT_NO_FATAL_FAILURE(Load(failure));
  const std::set<std::string> before = WhatIsHeld();

  auto event = steady_clock::now();
  const int32_t awaited = show_(u"failure", u"mode 1", 1, VT_MSGBOX_ASYNC_AWAITED);
  auto modal = std::async(std::launch::async, [&] { return show_(u"failure", u"mode 2", 1, VT_MSGBOX_MODAL); });
  if (failure == "HelperKilled") {
    const std::vector<pid_t> helpers = Helpers(2);
    ASSERT_EQ(2u, helpers.size());
    for (pid_t helper : helpers) {
      std::error_code error;
      EXPECT_EQ("/dev/null", std::filesystem::read_symlink("/proc/" + std::to_string(helper) + "/fd/2", error));
    }
    event = steady_clock::now();
    for (pid_t helper : helpers) kill(helper, SIGTERM);
  }
  auto waited = std::async(std::launch::async, wait_);
  const auto in_time = [&](auto& call) { return call.wait_until(event + kAnswerTime) == std::future_status::ready; };
  const bool answered = in_time(modal) && in_time(waited);
  if (!answered) SignalChildProcesses(SIGKILL);  // so that the calls end
  ASSERT_TRUE(answered);
  EXPECT_EQ("-1 0 1", std::to_string(modal.get()) + " " + std::to_string(awaited) + " " +
                          std::to_string(waited.get()));  // mode 2's, mode 1's, the wait's
  // Display threads end just after they have set their event.
  Eventually([&] { return WhatIsHeld() == before; }, kAnswerTime);
  EXPECT_EQ(before, WhatIsHeld());
}

INSTANTIATE_TEST_SUITE_P(Failures, FailureTest,
                         ::testing::Values("HelperMissing", "HelperNotExecutable", "HelperKilled"),
                         [](const auto& failure) { return std::string(failure.param); });

// The parts that need no display: the word wrap of the message field
// against a plain model of greedy wrapping, and the channel reader under
// signals.
bool IsSpace(char c) { return c == ' ' || c == '\t'; }

// Greedy wrapping, one line at a time: the longest run of whole words (with
// the spaces after them) whose drawn width fits, else the longest run of
// characters that fits. A line's first character fits whatever its width.
std::string ModelWrap(const std::string& text, int width, int tab_stop, const std::map<char32_t, int>& widths) {
  std::string lines;  // each line's text, ended by '|'
  for (std::size_t start = 0;;) {
    const std::size_t end = std::min(text.find_first_of("\r\n", start), text.size());
    auto fits = [&](std::size_t to) {  // the width of [start, to) up to its last non-space
      int x = 0, drawn = 0, seen = 0;
      for (std::size_t at = start; at < to;) {
        const bool space = IsSpace(text[at]);
        const char32_t c = vem::NextCharacter(text, &at);
        x = c == '\t' ? (x / tab_stop + 1) * tab_stop : x + widths.at(c);
        if (!space) drawn = x, seen += 1;
      }
      return drawn <= width || (seen == 1 && !IsSpace(text[start]));
    };
    std::size_t cut = start;
    for (std::size_t at = start + 1; at <= end; ++at) {
      if ((at == end || (IsSpace(text[at - 1]) && !IsSpace(text[at]))) && fits(at)) cut = at;
    }
    if (cut == start && start < end) {  // no whole word fits: the characters that do, one at least
      vem::NextCharacter(text, &cut);
      for (std::size_t at = cut; at < end && (vem::NextCharacter(text, &at), fits(at));) cut = at;
    }
    lines += text.substr(start, cut - start) + "|";
    if (cut == text.size()) return lines;
    start = cut == end ? end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1) : cut;
  }
}

TEST(LineWrapTest, RandomTextsWrapAsTheGreedyModel) {
  const std::vector<std::string> pieces = {"a", "b", "W", " ", " ", "\t", "\n", "\r", "\r\n", "\xC3\xA9", "\xFF"};
  std::mt19937 random(19);
  for (int round = 0; round < 2000; ++round) {
    std::string text;
    for (int n = static_cast<int>(random() % 60); n > 0; --n) text += pieces[random() % pieces.size()];
    std::map<char32_t, int> assigned;
    for (char32_t c : {U'a', U'b', U'W', U' ', U'\u00E9', U'\uFFFD'}) assigned[c] = 1 + static_cast<int>(random() % 9);
    vem::CharacterWidths widths([&](char32_t c) { return assigned.at(c); });
    const int width = 1 + static_cast<int>(random() % 30), tab_stop = 4 + static_cast<int>(random() % 12);
    std::string got;  // each line's text, ended by '|'
    for (const auto& line : vem::WrapLines(text, width, tab_stop, widths))
      got += text.substr(line.start, line.end - line.start) + "|";
    ASSERT_EQ(ModelWrap(text, width, tab_stop, assigned), got)
        << "round " << round << ", width " << width << ", text \"" << text << '"';
  }
}

// A read interrupted by a signal goes on, and the end of the data ends the
// reading even though errno still tells of the interruption.
TEST(HelperChannelTest, ReadingGoesOnAfterASignalAndEndsAtTheEnd) {
  EXPECT_EXIT(
      {
        struct sigaction interrupt = {};
        interrupt.sa_handler = [](int) {};  // no SA_RESTART: the read fails with EINTR
        sigaction(SIGUSR1, &interrupt, nullptr);
        int channel[2];
        if (pipe(channel) != 0) std::exit(2);
        std::thread([&, reader = pthread_self()] {
          std::this_thread::sleep_for(std::chrono::milliseconds(200));
          pthread_kill(reader, SIGUSR1);
          std::this_thread::sleep_for(std::chrono::milliseconds(200));
          if (write(channel[1], "answer", 6) != 6) std::exit(2);
          close(channel[1]);
        }).detach();
        alarm(5);  // a reader that never ends is ended here
        std::exit(vem::ReadToEnd(channel[0]) == "answer" ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace vem_test
