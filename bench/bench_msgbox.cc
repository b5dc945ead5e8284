// Message box: time from VTMessageBoxW (mode 0) until the box's window is on
// screen and painted, and the peak memory of the process that draws it, side
// by side with zenity (also GTK 3) doing the same in the same run: `zenity
// --info` for a short message, `zenity --text-info` (a scrolling text view)
// for the large ones.
//
// Run on an X display with a window manager, e.g.
//   scripts/with-xvfb.sh <build>/bin/bench_msgbox
// A window counts as shown once the window manager has added it to its client
// list (_NET_CLIENT_LIST, watched with `xprop -spy`) and its pixels, read
// back from the X server, show a light background with dark text on it; both
// contenders are timed the same way. Each box is closed (SIGTERM to its
// process) before the next.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <mutex>
#include <random>
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
  // and when it appeared. Empty window after `patience`.
  std::pair<std::string, Clock::time_point> WaitForNewWindow(const std::vector<std::string>& before,
                                                             std::chrono::seconds patience) {
    std::unique_lock<std::mutex> hold(lock_);
    const auto deadline = Clock::now() + patience;
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
Display* display = nullptr;

int IgnoreXErrors(Display*, XErrorEvent*) { return 0; }

// Whether `window` shows a painted dialog: at least a third of its pixels
// light (the background) and some dark ones (text). An unpainted window shows
// the black root behind it.
bool LooksPainted(const std::string& window) {
  const Window id = std::strtoul(window.c_str(), nullptr, 16);
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(display, id, &attributes) || attributes.map_state != IsViewable) return false;
  XImage* image = XGetImage(display, id, 0, 0, attributes.width, attributes.height, AllPlanes, ZPixmap);
  if (image == nullptr) return false;
  long light = 0;
  long dark = 0;
  for (int y = 0; y < image->height; y += 2) {
    for (int x = 0; x < image->width; x += 2) {
      const unsigned long pixel = XGetPixel(image, x, y);
      const unsigned level = ((pixel >> 16 & 0xFF) + (pixel >> 8 & 0xFF) + (pixel & 0xFF)) / 3;
      light += level > 200;
      dark += level < 80;
    }
  }
  const long total = static_cast<long>(image->width / 2) * (image->height / 2);
  XDestroyImage(image);
  return light * 3 > total && dark > 20;
}

// Shows one box with `show`, times it until its window is listed and painted,
// records the drawing process's peak memory, and closes it. False when no
// window came within `patience`.
template <typename Show>
bool TimeOneBox(benchmark::State& state, Show show, long* peak, std::chrono::seconds patience) {
  const std::vector<std::string> before = watch->Current();
  const auto start = Clock::now();
  show();
  const auto [window, listed] = watch->WaitForNewWindow(before, patience);
  if (window.empty()) {
    state.SkipWithError("no window appeared");
    return false;
  }
  while (!LooksPainted(window)) {
    if (Clock::now() - start > patience) {
      state.SkipWithError("the window was never painted");
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  const auto painted = Clock::now();
  state.SetIterationTime(std::chrono::duration<double>(painted - start).count());
  state.counters["listed_ms"] = std::chrono::duration<double, std::milli>(listed - start).count();
  const pid_t process = WindowProcess(window);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));  // let it finish drawing
  *peak = PeakMemoryKiB(process);
  if (process > 0) kill(process, SIGTERM);
  watch->WaitForGone(window);
  return true;
}

// Starts zenity with `arguments` and waits for it once its box is closed.
void TimeZenity(benchmark::State& state, std::vector<std::string> arguments, std::chrono::seconds patience) {
  long peak = 0;
  for (auto _ : state) {
    pid_t zenity = -1;
    TimeOneBox(
        state,
        [&] {
          std::vector<char*> argv;
          for (std::string& argument : arguments) argv.push_back(argument.data());
          argv.push_back(nullptr);
          posix_spawnp(&zenity, "zenity", nullptr, nullptr, argv.data(), environ);
        },
        &peak, patience);
    if (zenity > 0) {
      kill(zenity, SIGTERM);  // in case its window was not found or not named by its process
      waitpid(zenity, nullptr, 0);
    }
  }
  state.counters["peak_KiB"] = static_cast<double>(peak);
}

void TimeOurs(benchmark::State& state, const std::u16string& comment, const std::u16string& message,
              std::chrono::seconds patience) {
  long peak = 0;
  for (auto _ : state) {
    TimeOneBox(
        state, [&] { VTMessageBoxW(comment.c_str(), message.c_str(), 3, 0); }, &peak, patience);
  }
  state.counters["peak_KiB"] = static_cast<double>(peak);
}

constexpr std::chrono::seconds kSmallPatience(10);
constexpr std::chrono::seconds kLargePatience(30);

void BM_ZenityInfo(benchmark::State& state) {
  TimeZenity(state,
             {"zenity", "--info", "--title=Saving the project failed.",
              "--text=The disk is full.\nFree some space and try again."},
             kSmallPatience);
}

void BM_VTMessageBoxW_Mode0(benchmark::State& state) {
  TimeOurs(state, u"Saving the project failed.", u"The disk is full.\r\nFree some space and try again.",
           kSmallPatience);
}

// Large messages: `state.range(0)` characters of words (1 to 12 letters,
// seeded) split into `state.range(1)` lines, or one line when that is 0.
std::string LargeText(benchmark::State& state, const char* line_end) {
  const std::size_t size = static_cast<std::size_t>(state.range(0));
  const std::size_t lines = static_cast<std::size_t>(std::max<std::int64_t>(1, state.range(1)));
  std::mt19937 random(15);
  std::string text;
  text.reserve(size);
  std::size_t next_line = size / lines;
  while (text.size() < size) {
    if (state.range(1) > 0 && text.size() >= next_line) {
      text += line_end;
      next_line += size / lines;
    }
    text.append(std::uniform_int_distribution<int>(1, 12)(random), 'a' + random() % 26);
    text += ' ';
  }
  text.resize(size);
  return text;
}

void BM_ZenityTextInfo(benchmark::State& state) {
  const std::string file = "/tmp/bench_msgbox_" + std::to_string(getpid()) + ".txt";
  std::ofstream(file, std::ios::binary) << LargeText(state, "\n");
  TimeZenity(state, {"zenity", "--text-info", "--title=Large message", "--filename=" + file}, kLargePatience);
  std::remove(file.c_str());
}

void BM_VTMessageBoxW_Mode0_Large(benchmark::State& state) {
  const std::string text = LargeText(state, "\r\n");
  TimeOurs(state, u"Large message", std::u16string(text.begin(), text.end()), kLargePatience);
}

// 1 MiB on one line and in 10,000 lines; 16 MiB on one line and in 160,000.
void LargeSizes(benchmark::internal::Benchmark* benchmark) {
  benchmark->Args({1 << 20, 0})->Args({1 << 20, 10000})->Args({16 << 20, 0})->Args({16 << 20, 160000});
}

// One box per repetition; the median is what counts.
BENCHMARK(BM_ZenityInfo)->UseManualTime()->Iterations(1)->Repetitions(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_VTMessageBoxW_Mode0)->UseManualTime()->Iterations(1)->Repetitions(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZenityTextInfo)
    ->Apply(LargeSizes)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_VTMessageBoxW_Mode0_Large)
    ->Apply(LargeSizes)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(3)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "bench_msgbox needs an X display: run it under scripts/with-xvfb.sh\n");
    return 1;
  }
  XSetErrorHandler(&IgnoreXErrors);  // windows may vanish while they are looked at
  ClientListWatch client_list;
  if (!client_list.ok()) return 1;
  watch = &client_list;
  // The first call also finds the library's helper and the owner window once;
  // that is not what is measured.
  VTMessageBoxW(nullptr, nullptr, 1, 3);
  benchmark::RunSpecifiedBenchmarks();
  watch = nullptr;
  benchmark::Shutdown();
  XCloseDisplay(display);
  return 0;
}
