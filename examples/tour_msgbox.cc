// The message box: a caption for every box, a box the caller waits for, and
// what the functions answer when nothing is awaited or shown.
#include <cstdio>
#include <cstdlib>

#if defined(_WIN32)
#include <io.h>
#define VEM_TOUR_ISATTY _isatty
#define VEM_TOUR_STDIN 0
#else
#include <unistd.h>
#define VEM_TOUR_ISATTY isatty
#define VEM_TOUR_STDIN STDIN_FILENO
#endif

#include "VemMsgBox.h"
#include "tour.h"

namespace {

// Somebody could close a box: a desktop (or Windows) and a terminal.
// The message as it appears: each CR LF starts a new, indented line.
void PrintIndented(const char* text) {
  for (; *text != 0; ++text) {
    if (text[0] == '\r' && text[1] == '\n') {
      std::printf("\n           ");
      ++text;
    } else {
      std::putchar(*text);
    }
  }
  std::putchar('\n');
}

bool UserCanAnswer() {
#if defined(_WIN32)
  const bool display = true;
#else
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  const bool display = (x11 != nullptr && *x11 != 0) || (wayland != nullptr && *wayland != 0);
#endif
  return display && VEM_TOUR_ISATTY(VEM_TOUR_STDIN);
}

}  // namespace

void TourMessageBox() {
  std::printf("Message box\n-----------\n");

  // [title]
  VTSetMessageBoxTitleA("VemMisc tour");
  std::printf("VTSetMessageBoxTitleA(\"VemMisc tour\"): every box now has this caption.\n");
  // [title]

  std::printf("VTMessageBoxA(..., kind 1, mode 3): mode 3 shows nothing and returns %d.\n",
              VTMessageBoxA("never shown", "never shown", 1, 3));
  std::printf("VTisMessageBoxReaded() with no awaited box returns %d at once.\n", VTisMessageBoxReaded());

  const char* comment = "This box runs on a thread of its own (mode 1).";
  const char* message =
      "The tour goes on while it is open, then waits for it:\r\n"
      "close it with OK, Enter, Esc or the close button.";
  if (!UserCanAnswer()) {
    std::printf(
        "No display or no one at the terminal, so no box is shown. With one, the tour\n"
        "would show an information box (kind 1) in mode 1, captioned \"VemMisc tour\":\n"
        "  comment: %s\n  message: ",
        comment);
    PrintIndented(message);
    std::printf("and then wait for it with VTisMessageBoxReaded().\n\n");
    return;
  }
  // [awaited]
  const int32_t shown = VTMessageBoxA(comment, message, 1, 1);
  std::printf("VTMessageBoxA(comment, message, kind 1, mode 1) returned %d at once.\n", shown);
  if (shown != 0) {
    std::printf("The box could not be shown here.\n\n");
    return;
  }
  std::printf("Waiting with VTisMessageBoxReaded() until you close the box...\n");
  std::fflush(stdout);
  std::printf("VTisMessageBoxReaded() returned %d: the box has been closed.\n\n", VTisMessageBoxReaded());
  // [awaited]
}
