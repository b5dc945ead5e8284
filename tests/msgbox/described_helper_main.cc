// The test build of the message box helper: the installed program, plus a
// description of each box it puts on screen, written to <folder>/<pid>.box
// where <folder> is named by the environment (see box_descriptions.h). The
// tests read what a box shows from there; this program is never installed.
// It also refuses to run when it was started with more than its standard
// streams, which the library must not hand it.
#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "msgbox/helper/helper_program.h"
#include "msgbox/helper/message_text_view.h"
#include "tests/msgbox/box_descriptions.h"

namespace vem {
namespace {

int ControlIndexOf(const Dialog& dialog, GtkWidget* widget) {
  for (std::size_t i = 0; i < std::size(dialog.controls); ++i) {
    if (dialog.controls[i] == widget || gtk_widget_is_ancestor(widget, dialog.controls[i])) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

std::string Rectangle(int id, const GtkAllocation& rect) {
  return std::to_string(id) + " " + std::to_string(rect.x) + " " + std::to_string(rect.y) + " " +
         std::to_string(rect.width) + " " + std::to_string(rect.height);
}

// Written first to a temporary name, so readers never see half a file.
void Describe(const Dialog& dialog) {
  const char* folder = std::getenv(kDescribeFolderVariable);
  GdkWindow* window = gtk_widget_get_window(dialog.window);
  if (folder == nullptr || !GDK_IS_X11_WINDOW(window)) return;
  FieldRecord record;
  record.Add("window", static_cast<std::int64_t>(gdk_x11_window_get_xid(window)));
  record.Add(request_field::kCaption, gtk_window_get_title(GTK_WINDOW(dialog.window)));
  record.Add(request_field::kComment, gtk_label_get_text(GTK_LABEL(dialog.comment)));
  record.Add(request_field::kMessage, MessageTextOf(dialog.message));
  record.Add("icon", dialog.iconName);
  record.Add("window-icon", std::string_view(dialog.hasWindowIcon ? kWindowIconName : "none"));
  record.Add("base-x", std::int64_t{dialog.units.x});
  record.Add("base-y", std::int64_t{dialog.units.y});
  GtkAllocation client;
  gtk_widget_get_allocation(dialog.window, &client);
  record.Add("client-width", std::int64_t{client.width});
  record.Add("client-height", std::int64_t{client.height});
  int left = 0;
  int top = 0;
  gdk_window_get_origin(window, &left, &top);
  record.Add("screen-x", std::int64_t{left});
  record.Add("screen-y", std::int64_t{top});
  record.Add("resizable", std::int64_t{gtk_window_get_resizable(GTK_WINDOW(dialog.window))});
  record.Add("modal", std::int64_t{gtk_window_get_modal(GTK_WINDOW(dialog.window))});
  for (std::size_t i = 0; i < std::size(dialog.controls); ++i) {
    GtkAllocation rect;
    gtk_widget_get_allocation(dialog.controls[i], &rect);
    record.Add("control", Rectangle(kTemplateControls[i].id, rect));
  }
  GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(dialog.window));
  const int focus_index = focus != nullptr ? ControlIndexOf(dialog, focus) : -1;
  record.Add("focus", std::int64_t{focus_index >= 0 ? kTemplateControls[focus_index].id : 0});
  record.Add("default", std::int64_t{gtk_widget_has_default(dialog.okButton) ? kOkButtonId : 0});
  Window transient_for = None;
  XGetTransientForHint(GDK_WINDOW_XDISPLAY(window), GDK_WINDOW_XID(window), &transient_for);
  record.Add("transient-for", static_cast<std::int64_t>(transient_for));

  const std::string path = std::string(folder) + "/" + std::to_string(getpid()) + ".box";
  const std::string partial = path + ".part";
  if (FILE* file = std::fopen(partial.c_str(), "wb")) {
    const bool written = std::fwrite(record.bytes().data(), 1, record.bytes().size(), file) == record.bytes().size();
    if (std::fclose(file) == 0 && written) std::rename(partial.c_str(), path.c_str());
  }
}

// The first descriptor above the standard streams that this process was
// started with, or -1.
int InheritedDescriptor() {
  DIR* dir = opendir("/proc/self/fd");
  if (dir == nullptr) return -1;
  int found = -1;
  while (dirent* entry = readdir(dir)) {
    const int fd = std::atoi(entry->d_name);
    if (fd > STDERR_FILENO && fd != dirfd(dir)) found = fd;
  }
  closedir(dir);
  return found;
}

}  // namespace
}  // namespace vem

int main(int argc, char** argv) {
  if (const int inherited = vem::InheritedDescriptor(); inherited >= 0) {
    std::fprintf(stderr, "vemmsgbox (test build): started with descriptor %d open\n", inherited);
    return vem::kHelperExitCannotShow;
  }
  return vem::RunHelperProgram(argc, argv, &vem::Describe);
}
