// The test build of the message box helper: the installed program, plus a
// description of each box it puts on screen, written to <folder>/<pid>.box
// where <folder> is named by the environment variable VEMMSGBOX_DESCRIBE.
// It is never installed. It refuses to run when it was started with more than its
// standard streams, which the library must not hand it.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "msgbox/helper/helper_program.h"
#include "msgbox/helper/message_text_view.h"
#include "msgbox/helper_protocol.h"

namespace vem_test {
namespace {

// Written first to a temporary name, so that readers never see half a file.
void Describe(const vem::Dialog& dialog) {
  const char* folder = std::getenv("VEMMSGBOX_DESCRIBE");
  GdkWindow* window = gtk_widget_get_window(dialog.window);
  if (folder == nullptr || !GDK_IS_X11_WINDOW(window)) return;
  vem::FieldRecord record;
  record.Add("window", static_cast<std::int64_t>(gdk_x11_window_get_xid(window)));
  record.Add("caption", gtk_window_get_title(GTK_WINDOW(dialog.window)));
  record.Add("comment", gtk_label_get_text(GTK_LABEL(dialog.comment)));
  record.Add("message", vem::MessageTextOf(dialog.message));
  record.Add("icon", dialog.iconName);
  record.Add("window-icon", std::string_view(dialog.hasWindowIcon ? vem::kWindowIconName : "none"));
  record.Add("base-units", std::to_string(dialog.units.x) + " " + std::to_string(dialog.units.y));
  std::string controls;  // "id x y width height" of each control, in template order
  for (std::size_t i = 0; i < std::size(dialog.controls); ++i) {
    GtkAllocation r;
    gtk_widget_get_allocation(dialog.controls[i], &r);
    for (int n : {vem::kTemplateControls[i].id, r.x, r.y, r.width, r.height}) controls += std::to_string(n) + " ";
  }
  record.Add("controls", controls);
  record.Add("modal", std::int64_t{gtk_window_get_modal(GTK_WINDOW(dialog.window))});
  Window transient_for = None;
  XGetTransientForHint(GDK_WINDOW_XDISPLAY(window), GDK_WINDOW_XID(window), &transient_for);
  record.Add("transient-for", static_cast<std::int64_t>(transient_for));

  const std::string path = std::string(folder) + "/" + std::to_string(getpid()) + ".box";
  const std::string part = path + ".part";
  if (std::ofstream(part, std::ios::binary) << record.bytes() << std::flush) std::rename(part.c_str(), path.c_str());
}

// The first descriptor above the standard streams that this process was
// started with, or -1. Callers may hold thousands.
int InheritedDescriptor() {
  for (int fd = STDERR_FILENO + 1; fd < 8192; ++fd) {
    if (fcntl(fd, F_GETFD) != -1) return fd;
  }
  return -1;
}

}  // namespace
}  // namespace vem_test

int main(int argc, char** argv) {
  if (const int inherited = vem_test::InheritedDescriptor(); inherited >= 0) {
    std::fprintf(stderr, "vemmsgbox (test build): started with descriptor %d open\n", inherited);
    return vem::kHelperExitCannotShow;
  }
  return vem::RunHelperProgram(argc, argv, &vem_test::Describe);
}
