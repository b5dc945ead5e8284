// The boxes seen as processes, from a caller that loads the library itself
// from a folder laid out as an installation: the helper starts with nothing
// of its caller, every failure ends the call and the wait within two seconds
// and leaves nothing behind, and a library that goes away (dlclose, process
// exit) closes its open boxes and ends their threads first.
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/msgbox/box_descriptions.h"

extern char** environ;

namespace vem {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;
using ShowFunction = int32_t (*)(const char*, const char*, int32_t, int32_t);
using WaitFunction = int32_t (*)();

constexpr auto kAnswerTime = milliseconds(2000);

enum class Helper { kDescribing, kMissing, kNotExecutable };

// Names of the entries of a /proc folder.
std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* dir = opendir(folder.c_str())) {
    while (dirent* entry = readdir(dir)) {
      if (entry->d_name[0] != '.') names.push_back(entry->d_name);
    }
    closedir(dir);
  }
  return names;
}

// What the process holds that a box could leak: descriptors (with what they
// refer to), threads, and child processes.
struct Held {
  std::set<std::string> descriptors;
  std::size_t threads = 0;
  std::set<pid_t> children;
  bool operator==(const Held& other) const {
    return descriptors == other.descriptors && threads == other.threads && children == other.children;
  }
};

Held WhatThisProcessHolds() {
  Held held;
  for (const std::string& fd : Entries("/proc/self/fd")) {
    char target[4096] = {};
    (void)!readlink(("/proc/self/fd/" + fd).c_str(), target, sizeof target - 1);
    held.descriptors.insert(fd + " " + target);
  }
  const std::vector<std::string> tasks = Entries("/proc/self/task");
  held.threads = tasks.size();
  for (const std::string& task : tasks) {
    std::ifstream children("/proc/self/task/" + task + "/children");
    for (pid_t child; children >> child;) held.children.insert(child);
  }
  return held;
}

// The identity of what a descriptor refers to.
std::pair<dev_t, ino_t> Identity(const struct stat& status) { return {status.st_dev, status.st_ino}; }

// The hexadecimal signal set of a line of /proc/<pid>/status ("SigBlk:" ...).
unsigned long long SignalSet(pid_t process, const std::string& name) {
  std::ifstream status("/proc/" + std::to_string(process) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.compare(0, name.size(), name) == 0) return std::stoull(line.substr(name.size()), nullptr, 16);
  }
  ADD_FAILURE() << "no " << name << " for " << process;
  return ~0ULL;
}

class HelperProcessTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(boxes_.Folder().empty()); }
  void TearDown() override { KillChildren(); }
  static void KillChildren() {
    for (pid_t child : WhatThisProcessHolds().children) kill(child, SIGKILL);
  }

  // Lays out <folder>/lib with the library and <folder>/libexec/vemmisc with
  // the helper (the describing test build, or none, or a file that cannot be
  // run), then loads the library from there.
  void Load(Helper helper) {
    const std::string root = boxes_.Folder() + "/install";
    const std::string libexec = root + "/libexec/vemmisc";
    std::filesystem::create_directories(root + "/lib");
    std::filesystem::create_directories(libexec);
    std::filesystem::create_symlink(VEMMISC_LIBRARY_FILE, root + "/lib/libVemMisc.so.1");
    helper_ = libexec + "/vemmsgbox";
    if (helper == Helper::kDescribing) std::filesystem::create_symlink(VEMMISC_DESCRIBED_HELPER, helper_);
    if (helper == Helper::kNotExecutable) std::ofstream(helper_) << "#!/bin/sh\n";
    libraryPath_ = root + "/lib/libVemMisc.so.1";
    library_ = dlopen(libraryPath_.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(nullptr, library_) << dlerror();
    show_ = reinterpret_cast<ShowFunction>(dlsym(library_, "VTMessageBoxA"));
    wait_ = reinterpret_cast<WaitFunction>(dlsym(library_, "VTisMessageBoxReaded"));
    ASSERT_NE(nullptr, show_);
    ASSERT_NE(nullptr, wait_);
  }

  // Process ids of the helpers whose boxes are on screen, once there are `count`.
  std::vector<pid_t> WaitForBoxes(std::size_t count) {
    std::vector<pid_t> helpers;
    const auto deadline = steady_clock::now() + std::chrono::seconds(30);
    while (helpers.size() < count && steady_clock::now() < deadline) {
      helpers.clear();
      for (const std::string& name : boxes_.Files()) helpers.push_back(std::stoi(name));
      std::this_thread::sleep_for(milliseconds(20));
    }
    return helpers;
  }

  // Waits for `call` up to kAnswerTime after `since`; false (and the helpers
  // killed, so that the call can end) when it is late.
  template <typename T>
  bool AnswersInTime(std::future<T>& call, steady_clock::time_point since, const char* what) {
    const bool ready = call.wait_until(since + kAnswerTime) == std::future_status::ready;
    std::printf("%s: %s %lld ms after the event\n", what, ready ? "returned" : "still running",
                static_cast<long long>(std::chrono::duration_cast<milliseconds>(steady_clock::now() - since).count()));
    if (!ready) KillChildren();
    return ready;
  }

  BoxDescriptions boxes_;
  std::string helper_;
  std::string libraryPath_;
  void* library_ = nullptr;
  ShowFunction show_ = nullptr;
  WaitFunction wait_ = nullptr;
};

// --- A helper of its own -------------------------------------------------------

// A caller with a thousand descriptors open (files, pipes, sockets, none
// close-on-exec), some signals ignored and SIGUSR1 blocked: its box's
// helper holds none of the descriptors and handles every signal the default
// way, so SIGTERM ends it.
TEST_F(HelperProcessTest, HelperHoldsNothingOfItsCaller) {
  rlimit limit;
  ASSERT_EQ(0, getrlimit(RLIMIT_NOFILE, &limit));
  limit.rlim_cur = std::max<rlim_t>(limit.rlim_cur, std::min<rlim_t>(limit.rlim_max, 4096));
  ASSERT_EQ(0, setrlimit(RLIMIT_NOFILE, &limit));
  std::set<std::pair<dev_t, ino_t>> callers;
  std::vector<int> descriptors;
  const std::string file = boxes_.Folder() + "/caller-file";
  while (descriptors.size() < 1000) {
    int pair[2];
    ASSERT_EQ(0, pipe(pair));
    descriptors.insert(descriptors.end(), pair, pair + 2);
    ASSERT_EQ(0, socketpair(AF_UNIX, SOCK_STREAM, 0, pair));
    descriptors.insert(descriptors.end(), pair, pair + 2);
    descriptors.push_back(open(file.c_str(), O_RDWR | O_CREAT, 0600));
  }
  for (int descriptor : descriptors) {
    struct stat status;
    ASSERT_EQ(0, fstat(descriptor, &status));
    callers.insert(Identity(status));
  }
  unsigned long long ignored = 0;
  for (int number : {SIGTERM, SIGINT, SIGQUIT, SIGUSR2, SIGALRM}) {
    signal(number, SIG_IGN);
    ignored |= 1ULL << (number - 1);
  }
  sigset_t usr1;
  sigemptyset(&usr1);
  sigaddset(&usr1, SIGUSR1);
  pthread_sigmask(SIG_BLOCK, &usr1, nullptr);

  Load(Helper::kDescribing);
  auto modal = std::async(std::launch::async, [this] { return show_("clean", "mode 2", 1, 2); });
  ASSERT_EQ(0, show_("clean", "mode 1", 1, 1));
  const std::vector<pid_t> helpers = WaitForBoxes(2);
  ASSERT_EQ(2u, helpers.size());
  for (pid_t helper : helpers) {
    const std::string folder = "/proc/" + std::to_string(helper) + "/fd";
    const std::vector<std::string> held = Entries(folder);
    EXPECT_GE(held.size(), 3u) << "the channel and the standard streams";
    for (const std::string& fd : held) {
      struct stat status;
      if (stat((folder + "/" + fd).c_str(), &status) != 0) continue;  // gone meanwhile
      EXPECT_EQ(0u, callers.count(Identity(status))) << "helper " << helper << " holds the caller's " << fd;
    }
    EXPECT_EQ(0u, SignalSet(helper, "SigBlk:")) << "blocked signals in helper " << helper;
    EXPECT_EQ(0u, SignalSet(helper, "SigIgn:") & ignored) << "ignored signals in helper " << helper;
    kill(helper, SIGTERM);
  }
  const auto killed = steady_clock::now();
  auto waited = std::async(std::launch::async, wait_);
  ASSERT_TRUE(AnswersInTime(modal, killed, "mode 2"));
  EXPECT_EQ(-1, modal.get()) << "a killed box has no answer";
  ASSERT_TRUE(AnswersInTime(waited, killed, "the wait"));
  for (int descriptor : descriptors) close(descriptor);
}

// Descriptor 2 closed in the caller, and so free for the library's own
// descriptors: the helper gets /dev/null there rather than whatever it opens.
TEST_F(HelperProcessTest, CallerWithoutStandardErrorGivesItsHelperNullThere) {
  EXPECT_EXIT(
      {
        close(STDERR_FILENO);
        Load(Helper::kDescribing);
        if (show_("no standard error", "mode 1", 1, 1) != 0) std::exit(2);
        const std::vector<pid_t> helpers = WaitForBoxes(1);
        char target[64] = {};
        const std::string path = "/proc/" + std::to_string(helpers.empty() ? 0 : helpers[0]) + "/fd/2";
        std::exit(readlink(path.c_str(), target, sizeof target - 1) > 0 && std::string(target) == "/dev/null" ? 0 : 3);
      },
      ::testing::ExitedWithCode(0), "");
}

// --- Failures end every call ---------------------------------------------------

enum class Failure { kNoDescriptorLeft, kNoDisplay, kHelperMissing, kHelperNotExecutable, kHelperKilled, kDisplayGone };

struct FailureCase {
  const char* name;
  Failure failure;
  Helper helper;
  int32_t awaitedResult;  // what mode 1 returns: -1 when not even its event can be made
};
void PrintTo(const FailureCase& failure, std::ostream* out) { *out << failure.name; }

class HelperFailureTest : public HelperProcessTest, public ::testing::WithParamInterface<FailureCase> {
 protected:
  // An X server of the test's own, which the test never connects to, so that
  // taking it away ends only the boxes on it.
  void StartOwnDisplay() {
    int number[2];
    ASSERT_EQ(0, pipe(number));
    const std::string fd = std::to_string(number[1]);
    const char* argv[] = {"Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-screen", "0", "640x480x24", nullptr};
    posix_spawn_file_actions_t quiet;  // it reports the displays it finds taken
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    ASSERT_EQ(0, posix_spawnp(&display_, "Xvfb", &quiet, nullptr, const_cast<char**>(argv), environ));
    posix_spawn_file_actions_destroy(&quiet);
    close(number[1]);
    std::string name = ":";
    char digit;
    while (read(number[0], &digit, 1) == 1 && digit != '\n') name += digit;
    close(number[0]);
    ASSERT_GT(name.size(), 1u) << "Xvfb did not start";
    setenv("DISPLAY", name.c_str(), 1);
  }

  // Takes every descriptor that is left (the limit lowered near the count in
  // use, so there are few); GiveBackDescriptors undoes it.
  void UseUpDescriptors() {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizers' runtime needs descriptors of its own: it checks memory through a pipe";
#endif
    ASSERT_EQ(0, getrlimit(RLIMIT_NOFILE, &saved_));
    rlimit lowered = saved_;
    lowered.rlim_cur = WhatThisProcessHolds().descriptors.size() + 16;
    ASSERT_EQ(0, setrlimit(RLIMIT_NOFILE, &lowered));
    for (int fd; (fd = dup(STDERR_FILENO)) >= 0;) taken_.push_back(fd);
    ASSERT_EQ(EMFILE, errno);
  }
  void GiveBackDescriptors() {
    for (int fd : taken_) close(fd);
    setrlimit(RLIMIT_NOFILE, &saved_);
  }

  pid_t display_ = 0;
  rlimit saved_{};
  std::vector<int> taken_;
};

// A mode 2 box returns -1, a mode 1 box is either refused or awaited, and the
// wait returns; for a box that was on screen, within two seconds of the
// helper's or the display's end. Afterwards the caller holds what it held.
TEST_P(HelperFailureTest, CallAndWaitReturnAndNothingLeaks) {
  const FailureCase& failure = GetParam();
  if (failure.failure == Failure::kDisplayGone) {
    ASSERT_NO_FATAL_FAILURE(StartOwnDisplay());
  }
  if (failure.failure == Failure::kNoDisplay) unsetenv("DISPLAY");
  ASSERT_NO_FATAL_FAILURE(Load(failure.helper));
  Held before = WhatThisProcessHolds();
  before.children.erase(display_);  // the display goes on purpose
  if (failure.failure == Failure::kNoDescriptorLeft) {
    ASSERT_NO_FATAL_FAILURE(UseUpDescriptors());
    if (IsSkipped()) return;
  }

  auto event = steady_clock::now();
  const int32_t awaited = show_("failure", "mode 1", 1, 1);
  auto modal = std::async(std::launch::async, [this] { return show_("failure", "mode 2", 1, 2); });
  if (failure.failure == Failure::kHelperKilled || failure.failure == Failure::kDisplayGone) {
    const std::vector<pid_t> helpers = WaitForBoxes(2);
    ASSERT_EQ(2u, helpers.size());
    event = steady_clock::now();
    if (failure.failure == Failure::kHelperKilled) {
      for (pid_t helper : helpers) kill(helper, SIGKILL);
    } else {
      kill(display_, SIGKILL);
      waitpid(display_, nullptr, 0);
    }
  }
  auto waited = std::async(std::launch::async, wait_);
  const bool modalAnswered = AnswersInTime(modal, event, "mode 2");
  const bool waitAnswered = AnswersInTime(waited, event, "the wait");
  if (failure.failure == Failure::kNoDescriptorLeft) GiveBackDescriptors();
  ASSERT_TRUE(modalAnswered && waitAnswered);
  EXPECT_EQ(-1, modal.get());
  EXPECT_EQ(failure.awaitedResult, awaited);
  EXPECT_EQ(1, waited.get());

  // Display threads end just after they have set their event.
  const auto deadline = steady_clock::now() + kAnswerTime;
  while (!(WhatThisProcessHolds() == before) && steady_clock::now() < deadline) {
    std::this_thread::sleep_for(milliseconds(20));
  }
  const Held after = WhatThisProcessHolds();
  EXPECT_EQ(before.descriptors, after.descriptors);
  EXPECT_EQ(before.threads, after.threads);
  EXPECT_EQ(before.children, after.children);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, HelperFailureTest,
    ::testing::Values(FailureCase{"NoDescriptorLeft", Failure::kNoDescriptorLeft, Helper::kDescribing, -1},
                      FailureCase{"NoDisplay", Failure::kNoDisplay, Helper::kDescribing, 0},
                      FailureCase{"HelperMissing", Failure::kHelperMissing, Helper::kMissing, 0},
                      FailureCase{"HelperNotExecutable", Failure::kHelperNotExecutable, Helper::kNotExecutable, 0},
                      FailureCase{"HelperKilled", Failure::kHelperKilled, Helper::kDescribing, 0},
                      FailureCase{"DisplayGone", Failure::kDisplayGone, Helper::kDescribing, 0}),
    [](const ::testing::TestParamInfo<FailureCase>& test) { return std::string(test.param.name); });

// --- The library goes away ------------------------------------------------------

TEST_F(HelperProcessTest, UnloadingClosesOpenBoxesAndEndsTheirThreads) {
  Load(Helper::kDescribing);
  ASSERT_EQ(0, show_("open at unload", "mode 0", 1, 0));
  ASSERT_EQ(0, show_("open at unload", "mode 1", 1, 1));
  const std::vector<pid_t> helpers = WaitForBoxes(2);
  ASSERT_EQ(2u, helpers.size());

  ASSERT_EQ(0, dlclose(library_));
  EXPECT_EQ(nullptr, dlopen(libraryPath_.c_str(), RTLD_NOW | RTLD_NOLOAD)) << "the library is really gone";
  for (pid_t helper : helpers) EXPECT_NE(0, kill(helper, 0)) << "helper " << helper << " still runs";
}

TEST_F(HelperProcessTest, LeavingTheProcessClosesOpenBoxes) {
  EXPECT_EXIT(
      {
        Load(Helper::kDescribing);
        if (show_("open at exit", "mode 0", 1, 0) != 0 || WaitForBoxes(1).size() != 1) std::exit(3);
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "");
  const std::vector<pid_t> helpers = WaitForBoxes(1);
  ASSERT_EQ(1u, helpers.size());
  EXPECT_NE(0, kill(helpers[0], 0)) << "the box outlived its process";
}

}  // namespace
}  // namespace vem
