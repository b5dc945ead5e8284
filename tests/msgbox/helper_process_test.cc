// The boxes seen as processes, from a caller that loads the library itself
// from a folder laid out as an installation: the helper starts with nothing
// of its caller, every failure ends the call and the wait within two seconds
// and leaves nothing behind, and a library that goes away (dlclose, process
// exit) closes its open boxes first.
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
#include <filesystem>
#include <fstream>
#include <future>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tests/msgbox/box_descriptions.h"

extern char** environ;

namespace vem_test {
namespace {

using std::chrono::steady_clock;
constexpr auto kAnswerTime = std::chrono::milliseconds(2000);

enum class Helper { kDescribing, kMissing, kNotExecutable };
enum class Failure { kNoDescriptorLeft, kNoDisplay, kHelperMissing, kHelperNotExecutable, kHelperKilled, kDisplayGone };

std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) names.push_back(entry.path().filename());
  return names;
}

// What a process holds that a box could leak: descriptors (with what they
// refer to), threads, and child processes.
std::set<std::string> WhatIsHeld(const std::string& process = "self") {
  std::set<std::string> held;
  for (const std::string& fd : Entries("/proc/" + process + "/fd")) {
    std::error_code error;
    held.insert("fd " + fd + " " + std::filesystem::read_symlink("/proc/" + process + "/fd/" + fd, error).string());
  }
  for (const std::string& task : Entries("/proc/" + process + "/task")) {
    held.insert("thread " + task);
    std::ifstream children("/proc/" + process + "/task/" + task + "/children");
    for (std::string child; children >> child;) held.insert("child " + child);
  }
  return held;
}

// The hexadecimal signal set of a line of /proc/<pid>/status ("SigBlk:" ...).
unsigned long long SignalSet(pid_t process, const std::string& name) {
  std::ifstream status("/proc/" + std::to_string(process) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.compare(0, name.size(), name) == 0) return std::stoull(line.substr(name.size()), nullptr, 16);
  }
  return ~0ULL;
}

class HelperProcessTest : public ::testing::TestWithParam<Failure> {
 protected:
  void SetUp() override { ASSERT_FALSE(boxes_.Folder().empty()); }
  void TearDown() override { SignalChildProcesses(SIGKILL); }

  // Lays out <folder>/lib with the library and <folder>/libexec/vemmisc with
  // the helper (the describing test build, none, or a file that cannot be
  // run), then loads the library from there.
  void Load(Helper helper = Helper::kDescribing) {
    std::filesystem::remove_all(boxes_.Folder() + "/install");
    const std::string lib = boxes_.Folder() + "/install/lib", libexec = boxes_.Folder() + "/install/libexec/vemmisc";
    std::filesystem::create_directories(lib);
    std::filesystem::create_directories(libexec);
    std::filesystem::create_symlink(VEMMISC_LIBRARY_FILE, libraryPath_ = lib + "/libVemMisc.so.1");
    if (helper == Helper::kDescribing)
      std::filesystem::create_symlink(VEMMISC_DESCRIBED_HELPER, libexec + "/vemmsgbox");
    if (helper == Helper::kNotExecutable) std::ofstream(libexec + "/vemmsgbox") << "#!/bin/sh\n";
    library_ = dlopen(libraryPath_.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(nullptr, library_) << dlerror();
    show_ = reinterpret_cast<int32_t (*)(const char*, const char*, int32_t, int32_t)>(dlsym(library_, "VTMessageBoxA"));
    wait_ = reinterpret_cast<int32_t (*)()>(dlsym(library_, "VTisMessageBoxReaded"));
    ASSERT_TRUE(show_ != nullptr && wait_ != nullptr);
  }

  // The helpers of the next `count` boxes to appear; fewer when they did not.
  std::vector<pid_t> Helpers(std::size_t count) {
    std::vector<pid_t> helpers;
    for (pid_t pid = 1; helpers.size() < count && pid != 0;) {
      if ((pid = static_cast<pid_t>(boxes_.NextBox().pid)) != 0) helpers.push_back(pid);
    }
    return helpers;
  }

  // Waits for `call` up to kAnswerTime after `since`; false (and the helpers
  // killed, so that the call can end) when it is late.
  template <typename T>
  bool AnswersInTime(std::future<T>& call, steady_clock::time_point since) {
    if (call.wait_until(since + kAnswerTime) == std::future_status::ready) return true;
    SignalChildProcesses(SIGKILL);
    return false;
  }

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
    for (char digit; read(number[0], &digit, 1) == 1 && digit != '\n';) name += digit;
    close(number[0]);
    ASSERT_GT(name.size(), 1u) << "Xvfb did not start";
    setenv("DISPLAY", name.c_str(), 1);
  }

  BoxDescriptions boxes_;
  std::string libraryPath_;
  void* library_ = nullptr;
  int32_t (*show_)(const char*, const char*, int32_t, int32_t) = nullptr;
  int32_t (*wait_)() = nullptr;
  pid_t display_ = 0;
};

// A caller with a thousand descriptors open (files, pipes, sockets, none
// close-on-exec), some signals ignored and SIGUSR1 blocked: its boxes'
// helpers hold none of the descriptors and handle every signal the default
// way, so SIGTERM ends them, and a killed box answers -1.
TEST_F(HelperProcessTest, HelperHoldsNothingOfItsCaller) {
  rlimit limit;
  ASSERT_EQ(0, getrlimit(RLIMIT_NOFILE, &limit));
  limit.rlim_cur = std::max<rlim_t>(limit.rlim_cur, std::min<rlim_t>(limit.rlim_max, 4096));
  ASSERT_EQ(0, setrlimit(RLIMIT_NOFILE, &limit));
  std::set<std::pair<dev_t, ino_t>> callers;
  std::vector<int> descriptors;
  while (descriptors.size() < 1000) {
    int pair[4];
    ASSERT_EQ(0, pipe(pair));
    ASSERT_EQ(0, socketpair(AF_UNIX, SOCK_STREAM, 0, pair + 2));
    descriptors.insert(descriptors.end(), pair, pair + 4);
    descriptors.push_back(open((boxes_.Folder() + "/caller-file").c_str(), O_RDWR | O_CREAT, 0600));
  }
  for (int descriptor : descriptors) {
    struct stat status;
    ASSERT_EQ(0, fstat(descriptor, &status));
    callers.emplace(status.st_dev, status.st_ino);
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

  Load();
  auto modal = std::async(std::launch::async, [this] { return show_("clean", "mode 2", 1, 2); });
  ASSERT_EQ(0, show_("clean", "mode 1", 1, 1));
  const std::vector<pid_t> helpers = Helpers(2);
  ASSERT_EQ(2u, helpers.size());
  for (pid_t helper : helpers) {
    const std::string folder = "/proc/" + std::to_string(helper) + "/fd";
    EXPECT_GE(Entries(folder).size(), 3u) << "the channel and the standard streams";
    for (const std::string& fd : Entries(folder)) {
      struct stat status;
      if (stat((folder + "/" + fd).c_str(), &status) != 0) continue;  // gone meanwhile
      EXPECT_EQ(0u, callers.count({status.st_dev, status.st_ino})) << "helper " << helper << " holds " << fd;
    }
    EXPECT_EQ(0u, SignalSet(helper, "SigBlk:")) << helper;
    EXPECT_EQ(0u, SignalSet(helper, "SigIgn:") & ignored) << helper;
    kill(helper, SIGTERM);
  }
  const auto killed = steady_clock::now();
  auto waited = std::async(std::launch::async, wait_);
  ASSERT_TRUE(AnswersInTime(modal, killed) && AnswersInTime(waited, killed));
  EXPECT_EQ(-1, modal.get()) << "a killed box has no answer";
  for (int descriptor : descriptors) close(descriptor);
}

// Descriptors 0 and 2 closed in the caller, and so free for the library's
// own (a box's event among them): the box still shows, and its helper gets
// /dev/null as standard error rather than whatever the library opened there.
TEST_F(HelperProcessTest, CallerWithoutStandardStreamsGivesItsHelperNullThere) {
  EXPECT_EXIT(
      {
        close(STDIN_FILENO);
        close(STDERR_FILENO);
        Load();
        if (show_("no standard error", "mode 1", 1, 1) != 0) std::exit(2);
        const std::vector<pid_t> helpers = Helpers(1);
        std::error_code error;
        const std::string path = "/proc/" + std::to_string(helpers.empty() ? 0 : helpers[0]) + "/fd/2";
        std::exit(std::filesystem::read_symlink(path, error) == "/dev/null" ? 0 : 3);
      },
      ::testing::ExitedWithCode(0), "");
}

// A mode 2 box returns -1, a mode 1 box is refused only when not even its
// event can be made, and the wait returns; for a box that was on screen,
// within two seconds of the helper's or the display's end. Afterwards the
// caller holds what it held before.
TEST_P(HelperProcessTest, FailureEndsCallAndWaitAndLeaksNothing) {
  const Failure failure = GetParam();
  if (failure == Failure::kDisplayGone) {
    ASSERT_NO_FATAL_FAILURE(StartOwnDisplay());
  }
  if (failure == Failure::kNoDisplay) unsetenv("DISPLAY");
  ASSERT_NO_FATAL_FAILURE(Load(failure == Failure::kHelperMissing         ? Helper::kMissing
                               : failure == Failure::kHelperNotExecutable ? Helper::kNotExecutable
                                                                          : Helper::kDescribing));
  std::set<std::string> before = WhatIsHeld();
  before.erase("child " + std::to_string(display_));  // the display goes on purpose
  rlimit saved{};
  std::vector<int> taken;
  if (failure == Failure::kNoDescriptorLeft) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizers' runtime needs descriptors of its own: it checks memory through a pipe";
#endif
    ASSERT_EQ(0, getrlimit(RLIMIT_NOFILE, &saved));
    rlimit lowered = saved;
    lowered.rlim_cur = Entries("/proc/self/fd").size() + 16;
    ASSERT_EQ(0, setrlimit(RLIMIT_NOFILE, &lowered));
    for (int fd; (fd = dup(STDERR_FILENO)) >= 0;) taken.push_back(fd);
  }

  auto event = steady_clock::now();
  const int32_t awaited = show_("failure", "mode 1", 1, 1);
  auto modal = std::async(std::launch::async, [this] { return show_("failure", "mode 2", 1, 2); });
  if (failure == Failure::kHelperKilled || failure == Failure::kDisplayGone) {
    const std::vector<pid_t> helpers = Helpers(2);
    ASSERT_EQ(2u, helpers.size());
    event = steady_clock::now();
    for (pid_t helper : helpers) kill(failure == Failure::kHelperKilled ? helper : display_, SIGKILL);
    if (failure == Failure::kDisplayGone) waitpid(display_, nullptr, 0);
  }
  auto waited = std::async(std::launch::async, wait_);
  const bool answered = AnswersInTime(modal, event) && AnswersInTime(waited, event);
  for (int fd : taken) close(fd);
  if (!taken.empty()) setrlimit(RLIMIT_NOFILE, &saved);
  ASSERT_TRUE(answered);
  EXPECT_EQ(-1, modal.get());
  EXPECT_EQ(failure == Failure::kNoDescriptorLeft ? -1 : 0, awaited);
  EXPECT_EQ(1, waited.get());
  // Display threads end just after they have set their event.
  const auto deadline = steady_clock::now() + kAnswerTime;
  while (WhatIsHeld() != before && steady_clock::now() < deadline) std::this_thread::sleep_for(kAnswerTime / 100);
  EXPECT_EQ(before, WhatIsHeld());
}

std::string FailureName(const ::testing::TestParamInfo<Failure>& info) {
  const char* names[] = {"NoDescriptorLeft",    "NoDisplay",    "HelperMissing",
                         "HelperNotExecutable", "HelperKilled", "DisplayGone"};
  return names[static_cast<int>(info.param)];
}
INSTANTIATE_TEST_SUITE_P(Failures, HelperProcessTest,
                         ::testing::Values(Failure::kNoDescriptorLeft, Failure::kNoDisplay, Failure::kHelperMissing,
                                           Failure::kHelperNotExecutable, Failure::kHelperKilled,
                                           Failure::kDisplayGone),
                         FailureName);

// The library goes away with a box open: by dlclose, or with its process.
TEST_F(HelperProcessTest, UnloadingAndExitCloseOpenBoxes) {
  EXPECT_EXIT(
      {
        Load();
        std::exit(show_("open at exit", "mode 0", 1, 0) != 0 || Helpers(1).size() != 1 ? 3 : 0);
      },
      ::testing::ExitedWithCode(0), "");
  Load();
  ASSERT_EQ(0, show_("open at unload", "mode 0", 1, 0));
  ASSERT_EQ(0, show_("open at unload", "mode 1", 1, 1));
  const std::vector<pid_t> helpers = Helpers(3);  // the exited process's box first
  ASSERT_EQ(3u, helpers.size());
  ASSERT_EQ(0, dlclose(library_));
  EXPECT_EQ(nullptr, dlopen(libraryPath_.c_str(), RTLD_NOW | RTLD_NOLOAD)) << "the library is really gone";
  for (pid_t helper : helpers) EXPECT_NE(0, kill(helper, 0)) << "helper " << helper << " still runs";
}

}  // namespace
}  // namespace vem_test
