#include "msgbox/helper/helper_program.h"

#include <X11/Xlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "msgbox/helper/owner_search_x11.h"
#include "msgbox/helper_protocol.h"

#if defined(__SANITIZE_ADDRESS__)
// The toolkit keeps caches for the life of the process; reports of them as
// leaks would only be noise.
extern "C" const char* __asan_default_options() { return "detect_leaks=0"; }
#endif

namespace vem {
namespace {

// Writes the record to standard output; false when it could not.
bool Answer(const FieldRecord& answer) {
  return std::fwrite(answer.bytes().data(), 1, answer.bytes().size(), stdout) == answer.bytes().size() &&
         std::fflush(stdout) == 0;
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
  return Answer(answer) ? 0 : 2;
}

// Descriptors other than the standard streams are the starter's, not ours:
// the library closes them as it starts us where the C library can, and this
// closes whatever another starter left open.
void CloseInheritedDescriptors() { close_range(STDERR_FILENO + 1, ~0U, 0); }

}  // namespace

int RunHelperProgram(int argc, char** argv, DialogShownHook shown) {
  CloseInheritedDescriptors();
  if (argc == 3 && std::strcmp(argv[1], "--owner-of") == 0) return WriteOwnerOf(argv[2]);
  if (argc != 1) {
    std::fprintf(stderr, "usage: vemmsgbox < request\n       vemmsgbox --owner-of PID\n");
    return kHelperExitCannotShow;
  }
  FieldRecord request;
  if (!request.Parse(ReadToEnd(STDIN_FILENO))) return kHelperExitCannotShow;
  const int end = RunMessageDialog(request, shown);
  if (end != kHelperExitCannotShow) {
    FieldRecord answer;
    answer.Add(request_field::kEnd, std::int64_t{end});
    Answer(answer);
  }
  return end;
}

}  // namespace vem
