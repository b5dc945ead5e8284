// Message box: time from VTMessageBoxW (mode 0) until the box's window is on
// screen, and the peak memory of the process that draws it, side by side with
// `zenity --info` (also GTK 3) doing the same in the same run.
//
// Run on an X display with a window manager, e.g.
//   scripts/with-xvfb.sh <build>/bin/bench_msgbox
// A window counts as shown when the window manager adds it to its client list
// (_NET_CLIENT_LIST), watched with `xprop -spy`; both contenders are timed
// the same way. Each box is closed (SIGTERM to its process) before the next.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "VemMsgBox.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// Follows the window manager's client list: every change arrives as the
// list of windows, with the time it was read.
class ClientListWatch {
 public:
  ClientListWatch() {
    int pipe_ends[2];
    if (pipe(pipe_ends) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipe_ends[0]);
    const char* argv[] = {"xprop", "-root", "-spy", "_NET_CLIENT_LIST", nullptr};
    if (posix_spawnp(&xprop_, "xprop", &actions, nullptr, const_cast<char**>(argv), environ) != 0) xprop_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(pipe_ends[1]);
    spy_ = fdopen(pipe_ends[0], "r");
    if (spy_ != nullptr && xprop_ > 0) reader_ = std::thread([this] { Read(); });
  }
  ~ClientListWatch() {
    if (xprop_ > 0) {
      kill(xprop_, SIGTERM);
      waitpid(xprop_, nullptr, 0);
    }
    if (reader_.joinable()) reader_.join();
    if (spy_ != nullptr) std::fclose(spy_);
  }
  bool ok() const { return reader_.joinable(); }

  // Waits for a change that lists a window not in `before`; gives that window
  // and when it appeared. Empty window after 10 s.
  std::pair<std::string, Clock::time_point> WaitForNewWindow(const std::vector<std::string>& before) {
    std::unique_lock<std::mutex> hold(lock_);
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    for (;;) {
      while (!changes_.empty()) {
        const auto change = changes_.front();
        changes_.pop_front();
        current_ = change.first;
        for (const std::string& window : change.first) {
          if (std::find(before.begin(), before.end(), window) == before.end()) return {window, change.second};
        }
      }
      if (changed_.wait_until(hold, deadline) == std::cv_status::timeout) return {"", Clock::now()};
    }
  }
  std::vector<std::string> Current() {
    std::lock_guard<std::mutex> hold(lock_);
    while (!changes_.empty()) {
      current_ = changes_.front().first;
      changes_.pop_front();
    }
    return current_;
  }
  // Waits until `window` has left the list.
  void WaitForGone(const std::string& window) {
    std::unique_lock<std::mutex> hold(lock_);
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    for (;;) {
      while (!changes_.empty()) {
        current_ = changes_.front().first;
        changes_.pop_front();
      }
      if (std::find(current_.begin(), current_.end(), window) == current_.end()) return;
      if (changed_.wait_until(hold, deadline) == std::cv_status::timeout) return;
    }
  }

 private:
  void Read() {
    char line[65536];
    while (std::fgets(line, sizeof line, spy_) != nullptr) {
      const auto now = Clock::now();
      std::vector<std::string> windows;
      std::string text(line);
      for (std::size_t at = 0; (at = text.find("0x", at)) != std::string::npos;) {
        const std::size_t end = text.find_first_of(", \n", at);
        windows.push_back(text.substr(at, end - at));
        at = end;
      }
      std::lock_guard<std::mutex> hold(lock_);
      changes_.emplace_back(windows, now);
      changed_.notify_all();
    }
  }

  pid_t xprop_ = -1;
  FILE* spy_ = nullptr;
  std::thread reader_;
  std::mutex lock_;
  std::condition_variable changed_;
  std::deque<std::pair<std::vector<std::string>, Clock::time_point>> changes_;
  std::vector<std::string> current_;
};

std::string CommandOutput(const std::string& command) {
  std::string output;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
    pclose(pipe);
  }
  return output;
}

pid_t WindowProcess(const std::string& window) {
  const std::string answer = CommandOutput("xprop -id " + window + " _NET_WM_PID");
  const std::size_t equals = answer.find('=');
  return equals == std::string::npos ? -1 : static_cast<pid_t>(std::atol(answer.c_str() + equals + 1));
}

// The process's peak resident memory in KiB (VmHWM), or 0.
long PeakMemoryKiB(pid_t process) {
  std::ifstream status("/proc/" + std::to_string(process) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
  }
  return 0;
}

ClientListWatch* watch = nullptr;

// Shows one box with `show`, times it until its window is listed, records the
// drawing process's peak memory, and closes it. False when no window came.
template <typename Show>
bool TimeOneBox(benchmark::State& state, Show show, long* peak) {
  const std::vector<std::string> before = watch->Current();
  const auto start = Clock::now();
  show();
  const auto [window, shown] = watch->WaitForNewWindow(before);
  if (window.empty()) {
    state.SkipWithError("no window appeared");
    return false;
  }
  state.SetIterationTime(std::chrono::duration<double>(shown - start).count());
  const pid_t process = WindowProcess(window);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));  // let it finish drawing
  *peak = PeakMemoryKiB(process);
  if (process > 0) kill(process, SIGTERM);
  watch->WaitForGone(window);
  return true;
}

void BM_VTMessageBoxW_Mode0(benchmark::State& state) {
  const std::u16string comment = u"Saving the project failed.";
  const std::u16string message = u"The disk is full.\r\nFree some space and try again.";
  long peak = 0;
  for (auto _ : state) {
    TimeOneBox(state, [&] { VTMessageBoxW(comment.c_str(), message.c_str(), 3, 0); }, &peak);
  }
  state.counters["peak_KiB"] = static_cast<double>(peak);
}

void BM_ZenityInfo(benchmark::State& state) {
  long peak = 0;
  for (auto _ : state) {
    pid_t zenity = -1;
    const bool shown = TimeOneBox(
        state,
        [&] {
          const char* argv[] = {"zenity", "--info", "--title=Saving the project failed.",
                                "--text=The disk is full.\nFree some space and try again.", nullptr};
          posix_spawnp(&zenity, "zenity", nullptr, nullptr, const_cast<char**>(argv), environ);
        },
        &peak);
    if (zenity > 0) {
      if (!shown) kill(zenity, SIGTERM);
      waitpid(zenity, nullptr, 0);
    }
  }
  state.counters["peak_KiB"] = static_cast<double>(peak);
}

// One box per repetition; the median of 10 is what counts.
BENCHMARK(BM_ZenityInfo)->UseManualTime()->Iterations(1)->Repetitions(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_VTMessageBoxW_Mode0)->UseManualTime()->Iterations(1)->Repetitions(10)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (std::getenv("DISPLAY") == nullptr) {
    std::fprintf(stderr, "bench_msgbox needs an X display: run it under scripts/with-xvfb.sh\n");
    return 1;
  }
  ClientListWatch client_list;
  if (!client_list.ok()) return 1;
  watch = &client_list;
  // The first call also finds the library's helper and the owner window once;
  // that is not what is measured.
  VTMessageBoxW(nullptr, nullptr, 1, 3);
  benchmark::RunSpecifiedBenchmarks();
  watch = nullptr;
  benchmark::Shutdown();
  return 0;
}
