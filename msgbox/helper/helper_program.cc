#include "msgbox/helper/helper_program.h"

#include <X11/Xlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "msgbox/helper/owner_search_x11.h"
#include "msgbox/helper_protocol.h"

#if defined(__SANITIZE_ADDRESS__)
// The toolkit keeps caches for the life of the process; leak reports of them
// would replace the exit status that carries the end code.
extern "C" const char* __asan_default_options() { return "detect_leaks=0"; }
#endif

namespace vem {
namespace {

std::string ReadStandardInput() {
  std::string data;
  char buffer[65536];
  for (;;) {
    const ssize_t got = read(STDIN_FILENO, buffer, sizeof buffer);
    if (got > 0) {
      data.append(buffer, static_cast<std::size_t>(got));
    } else if (got == 0 || errno != EINTR) {
      return data;
    }
  }
}

// Windows may vanish while they are examined; such errors only mean "not
// this one", never the end of the program.
int IgnoreXErrors(Display*, XErrorEvent*) { return 0; }

// Under Wayland there are no foreign windows to attach to: no owner.
int WriteOwnerOf(const char* process) {
  char* end = nullptr;
  const long pid = std::strtol(process, &end, 10);
  if (end == process || *end != 0 || pid <= 0) return 2;
  Window owner = None;
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  if (wayland == nullptr || *wayland == 0) {
    if (Display* display = XOpenDisplay(nullptr)) {
      XSetErrorHandler(&IgnoreXErrors);
      owner = FindOwnerWindowOfProcess(display, pid);
      XCloseDisplay(display);
    }
  }
  FieldRecord answer;
  answer.Add(request_field::kOwner, static_cast<std::int64_t>(owner));
  return std::fwrite(answer.bytes().data(), 1, answer.bytes().size(), stdout) == answer.bytes().size() ? 0 : 2;
}

}  // namespace

int RunHelperProgram(int argc, char** argv, DialogShownHook shown) {
  if (argc == 3 && std::strcmp(argv[1], "--owner-of") == 0) return WriteOwnerOf(argv[2]);
  if (argc != 1) {
    std::fprintf(stderr, "usage: vemmsgbox < request\n       vemmsgbox --owner-of PID\n");
    return kHelperExitCannotShow;
  }
  FieldRecord request;
  if (!request.Parse(ReadStandardInput())) return kHelperExitCannotShow;
  return RunMessageDialog(request, shown);
}

}  // namespace vem
