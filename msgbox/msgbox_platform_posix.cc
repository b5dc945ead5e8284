// The message box on Linux and other POSIX systems. Each dialog runs in a
// process of its own, our GTK helper program vemmsgbox, so the library never
// loads a GUI toolkit into its caller (who may use another one). The helper
// lives beside the library: libexec/vemmisc/ seen from the library's folder.
#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "msgbox/helper_protocol.h"
#include "msgbox/msgbox_platform.h"
#include "text/narrow_text.h"
#include "text/utf16_text.h"

extern char** environ;

namespace vem {
namespace {

// Where the helper is, relative to the folder of the library's file: where
// `make install` puts it, then where the build tree has it.
constexpr const char* kHelperFolders[] = {VEMMISC_HELPER_FROM_LIBDIR, "../libexec/vemmisc"};
constexpr const char* kHelperName = "vemmsgbox";

// Never retried: Linux frees the descriptor even when close() is
// interrupted, and a second close could hit one another thread just opened.
void CloseDescriptor(int descriptor) { close(descriptor); }

// Sends all of `data`; false once the reader has gone. MSG_NOSIGNAL keeps a
// helper that died early from killing the caller with SIGPIPE.
bool SendAll(int socket, const std::string& data) {
  std::size_t sent = 0;
  while (sent < data.size()) {
    const ssize_t written = send(socket, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    sent += static_cast<std::size_t>(written);
  }
  return true;
}

// Spawn settings for a helper: every signal handled the default way and none
// blocked, whatever the spawning thread has (signals the caller ignores would
// stay ignored across exec, and display threads block them all).
class HelperSpawnAttributes {
 public:
  HelperSpawnAttributes() {
    posix_spawnattr_init(&attributes_);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes_, &none);
    sigset_t all;
    sigfillset(&all);
    posix_spawnattr_setsigdefault(&attributes_, &all);
    posix_spawnattr_setflags(&attributes_, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  }
  ~HelperSpawnAttributes() { posix_spawnattr_destroy(&attributes_); }
  HelperSpawnAttributes(const HelperSpawnAttributes&) = delete;
  HelperSpawnAttributes& operator=(const HelperSpawnAttributes&) = delete;
  const posix_spawnattr_t* get() const { return &attributes_; }

 private:
  posix_spawnattr_t attributes_;
};

class PosixMessageBoxPlatform final : public MessageBoxPlatform {
 public:
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
  struct DisplayThread {
    pthread_t thread;
    bool finished;
  };
  struct ThreadStart {
    PosixMessageBoxPlatform* platform;
    void (*body)(void*);
    void* argument;
  };
  static void* DisplayThreadMain(void* start);

  std::string HelperPath();
  // Runs the helper with `arguments`, `request` on its standard input, and
  // parses what it wrote to its standard output into *answer once it has
  // ended. False when it could not be started or gave no answer.
  bool RunHelper(const std::vector<const char*>& arguments, const std::string& request, FieldRecord* answer);
  // Starts the helper with `arguments`, its standard input and output joined
  // to `channel`; returns its process id, or -1.
  pid_t StartHelper(const std::vector<const char*>& arguments, int channel);
  // Waits until a helper started by StartHelper has ended, and reaps it.
  void WaitForHelper(pid_t helper);
  void JoinFinishedThreads();

  // Guards everything below: display threads start helpers and end while
  // the calling thread starts new ones and, at unload, ends them all.
  std::mutex lock_;
  std::string helper_path_;
  std::vector<DisplayThread> threads_;
  std::vector<pid_t> helpers_;
  bool ending_ = false;
};

// The library's module is its own file, as long as the helper that draws its
// dialogs is where the installation or the build tree puts it.
ModuleHandle PosixMessageBoxPlatform::FindOwnModule() {
  Dl_info info;
  if (dladdr(reinterpret_cast<void*>(&NewMessageBoxPlatform), &info) == 0 || info.dli_fname == nullptr) {
    return nullptr;
  }
  std::string folder(info.dli_fname);
  const std::size_t slash = folder.rfind('/');
  folder = slash == std::string::npos ? std::string(".") : folder.substr(0, slash);
  for (const char* relative : kHelperFolders) {
    const std::string candidate = folder + "/" + relative + "/" + kHelperName;
    if (access(candidate.c_str(), X_OK) == 0) {
      std::lock_guard<std::mutex> hold(lock_);
      helper_path_ = candidate;
      return info.dli_fbase;
    }
  }
  return nullptr;
}

std::string PosixMessageBoxPlatform::HelperPath() {
  std::lock_guard<std::mutex> hold(lock_);
  return helper_path_;
}

// The helper knows the window system; it answers with the owner's id.
WindowHandle PosixMessageBoxPlatform::FindOwnerWindow() {
  const std::string process = std::to_string(getpid());
  FieldRecord answer;
  std::int64_t owner = 0;
  if (!RunHelper({kHelperName, "--owner-of", process.c_str()}, std::string(), &answer) ||
      !answer.FindInteger(request_field::kOwner, &owner) || owner < 0) {
    return 0;
  }
  return static_cast<WindowHandle>(owner);
}

bool PosixMessageBoxPlatform::ExecutablePath(std::basic_string<VemWChar>* path) {
  std::string target(256, '\0');
  for (;;) {
    const ssize_t length = readlink("/proc/self/exe", &target[0], target.size());
    if (length < 0) return false;
    if (static_cast<std::size_t>(length) < target.size()) {
      target.resize(static_cast<std::size_t>(length));
      break;
    }
    target.resize(target.size() * 2);
  }
  return NarrowToWide(target.c_str(), NarrowCodePage::kThread, path);
}

// The answer is read once the helper has ended, not up to the end of the
// channel, which a process the helper started may still hold open; it is
// small enough to wait in the socket's buffer. Neither the exit status nor
// reaping is relied on: a caller that ignores SIGCHLD or reaps every child
// itself still gets the answer.
bool PosixMessageBoxPlatform::RunHelper(const std::vector<const char*>& arguments, const std::string& request,
                                        FieldRecord* answer) {
  int channel[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, channel) != 0) return false;
  const pid_t child = StartHelper(arguments, channel[1]);
  CloseDescriptor(channel[1]);
  if (child <= 0) {
    CloseDescriptor(channel[0]);
    return false;
  }
  SendAll(channel[0], request);
  shutdown(channel[0], SHUT_WR);
  WaitForHelper(child);
  fcntl(channel[0], F_SETFL, O_NONBLOCK);
  const std::string bytes = ReadToEnd(channel[0]);
  CloseDescriptor(channel[0]);
  return !bytes.empty() && answer->Parse(bytes);
}

// The helper gets the channel and the caller's standard error, nothing else;
// a caller without standard error (descriptor 2 closed, or taken by one of
// our own close-on-exec descriptors) gives it /dev/null there, so that
// nothing the helper opens lands on descriptor 2.
pid_t PosixMessageBoxPlatform::StartHelper(const std::vector<const char*>& arguments, int channel) {
  const std::string helper = HelperPath();
  if (helper.empty()) return -1;
  std::vector<char*> argv;
  for (const char* argument : arguments) argv.push_back(const_cast<char*>(argument));
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, channel, STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, channel, STDOUT_FILENO);
  const int standard_error = fcntl(STDERR_FILENO, F_GETFD);
  if (standard_error < 0 || (standard_error & FD_CLOEXEC) != 0) {
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  }
#if defined(__GLIBC__) && (__GLIBC__ > 2 || __GLIBC_MINOR__ >= 34)
  posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
#endif
  const HelperSpawnAttributes attributes;

  // Spawning and recording the helper is one step under the lock, so that
  // EndDisplayThreads either sees the helper or stops it from starting.
  std::lock_guard<std::mutex> hold(lock_);
  pid_t child = -1;
  if (!ending_ && posix_spawn(&child, helper.c_str(), &actions, attributes.get(), argv.data(), environ) != 0) {
    child = -1;
  }
  posix_spawn_file_actions_destroy(&actions);
  if (child > 0) helpers_.push_back(child);
  return child;
}

// Waits without reaping first, and forgets the helper before reaping it, so
// that EndDisplayThreads never signals a process id already handed to
// someone else.
void PosixMessageBoxPlatform::WaitForHelper(pid_t helper) {
  siginfo_t info;
  while (waitid(P_PID, static_cast<id_t>(helper), &info, WEXITED | WNOWAIT) != 0 && errno == EINTR) {
  }
  {
    std::lock_guard<std::mutex> hold(lock_);
    helpers_.erase(std::remove(helpers_.begin(), helpers_.end(), helper), helpers_.end());
  }
  while (waitpid(helper, nullptr, 0) < 0 && errno == EINTR) {
  }
}

// Without an answer (the helper could not start, was killed, or lost its
// display) the box counts as not shown.
std::int32_t PosixMessageBoxPlatform::RunDialog(const DialogRequest& request, CaptionSource& caption) {
  FieldRecord record;
  record.Add(request_field::kCaption, WideToUtf8(caption.Caption().c_str()));
  if (request.comment != nullptr) record.Add(request_field::kComment, WideToUtf8(request.comment));
  if (request.message != nullptr) record.Add(request_field::kMessage, WideToUtf8(request.message));
  record.Add(request_field::kKind, std::int64_t{request.kind});
  record.Add(request_field::kOwner, static_cast<std::int64_t>(request.owner));

  FieldRecord answer;
  std::int64_t end = 0;
  if (!RunHelper({kHelperName}, record.bytes(), &answer) || !answer.FindInteger(request_field::kEnd, &end)) {
    return -1;
  }
  return end == kHelperExitOk || end == kHelperExitCancelled ? static_cast<std::int32_t>(end) : -1;
}

bool PosixMessageBoxPlatform::NewEvent(EventHandle* event) {
  const int descriptor = eventfd(0, EFD_CLOEXEC);
  if (descriptor < 0) return false;
  *event = static_cast<EventHandle>(descriptor);
  return true;
}

void PosixMessageBoxPlatform::SignalEvent(EventHandle event) {
  const std::uint64_t one = 1;
  while (write(static_cast<int>(event), &one, sizeof one) < 0 && errno == EINTR) {
  }
}

// poll() takes any number of descriptors; each one is dropped from the set as
// soon as it is readable (or broken), until none is left.
void PosixMessageBoxPlatform::WaitForAllEvents(const EventHandle* events, std::int32_t count) {
  std::vector<pollfd> waiting;
  for (std::int32_t i = 0; i < count; ++i) waiting.push_back(pollfd{static_cast<int>(events[i]), POLLIN, 0});
  while (!waiting.empty()) {
    if (poll(waiting.data(), waiting.size(), -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    waiting.erase(
        std::remove_if(waiting.begin(), waiting.end(), [](const pollfd& entry) { return entry.revents != 0; }),
        waiting.end());
  }
}

void PosixMessageBoxPlatform::CloseEvent(EventHandle event) { CloseDescriptor(static_cast<int>(event)); }

void* PosixMessageBoxPlatform::DisplayThreadMain(void* start_argument) {
  const ThreadStart start = *static_cast<ThreadStart*>(start_argument);
  delete static_cast<ThreadStart*>(start_argument);
  start.body(start.argument);
  std::lock_guard<std::mutex> hold(start.platform->lock_);
  for (DisplayThread& entry : start.platform->threads_) {
    if (pthread_equal(entry.thread, pthread_self())) entry.finished = true;
  }
  return nullptr;
}

// Threads that have finished are joined here and at unload; every thread is
// joined, so none can be running the library's code once it is gone.
void PosixMessageBoxPlatform::JoinFinishedThreads() {
  std::vector<pthread_t> finished;
  {
    std::lock_guard<std::mutex> hold(lock_);
    for (const DisplayThread& entry : threads_) {
      if (entry.finished) finished.push_back(entry.thread);
    }
    threads_.erase(
        std::remove_if(threads_.begin(), threads_.end(), [](const DisplayThread& entry) { return entry.finished; }),
        threads_.end());
  }
  for (pthread_t thread : finished) pthread_join(thread, nullptr);
}

// Display threads block every signal, so the caller's signal handlers keep
// running on the caller's own threads.
bool PosixMessageBoxPlatform::StartDisplayThread(void (*body)(void*), void* argument) {
  JoinFinishedThreads();
  ThreadStart* start = new (std::nothrow) ThreadStart{this, body, argument};
  if (start == nullptr) return false;
  sigset_t all;
  sigset_t previous;
  sigfillset(&all);
  pthread_sigmask(SIG_SETMASK, &all, &previous);
  bool started = false;
  {
    std::lock_guard<std::mutex> hold(lock_);
    pthread_t thread;
    if (!ending_ && pthread_create(&thread, nullptr, &DisplayThreadMain, start) == 0) {
      threads_.push_back(DisplayThread{thread, false});
      started = true;
    }
  }
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  if (!started) delete start;
  return started;
}

// Closes the boxes still open (their helpers end, as if killed by the user's
// session) and waits for their threads to finish their last steps.
void PosixMessageBoxPlatform::EndDisplayThreads() {
  std::vector<pthread_t> running;
  {
    std::lock_guard<std::mutex> hold(lock_);
    ending_ = true;
    for (pid_t helper : helpers_) kill(helper, SIGTERM);
    for (const DisplayThread& entry : threads_) running.push_back(entry.thread);
    threads_.clear();
  }
  for (pthread_t thread : running) pthread_join(thread, nullptr);
}

}  // namespace

std::unique_ptr<MessageBoxPlatform> NewMessageBoxPlatform() { return std::make_unique<PosixMessageBoxPlatform>(); }

}  // namespace vem
