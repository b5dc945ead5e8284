// The message box dialog as the helper draws it with GTK 3.
#ifndef VEMMISC_MSGBOX_HELPER_MESSAGE_DIALOG_H_
#define VEMMISC_MSGBOX_HELPER_MESSAGE_DIALOG_H_

#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <iterator>
#include <string>

#include "msgbox/helper/dialog_template.h"
#include "msgbox/helper/dialog_units.h"
#include "msgbox/helper_protocol.h"

namespace vem {

struct Dialog;
// Called once the dialog is on screen, before the user can answer it.
using DialogShownHook = void (*)(const Dialog& dialog);

// The dialog's widgets and what was chosen for them, while it runs.
struct Dialog {
  GtkWidget* window = nullptr;
  GtkWidget* controls[std::size(kTemplateControls)] = {};  // in template order
  GtkWidget* okButton = nullptr;
  GtkWidget* comment = nullptr;
  GtkWidget* message = nullptr;  // the message field (message_text_view.h)
  GdkPixbuf* icon = nullptr;
  std::string iconName = "none";  // the kind's icon as loaded, "none" if none
  bool hasWindowIcon = false;
  BaseUnits units{};
  Window owner = None;            // the window the box is transient for, if any
  GdkPoint ownerCentredAt{0, 0};  // where the box goes when it has an owner
  int end_code = kHelperExitCancelled;
  DialogShownHook shown = nullptr;
  bool shownHookRan = false;
};

// Shows the box that `request` describes until the user closes it; returns
// the helper's exit status (kHelperExitOk, kHelperExitCancelled, or
// kHelperExitCannotShow when there is no display to show it on). `shown`
// may be null.
int RunMessageDialog(const FieldRecord& request, DialogShownHook shown);

}  // namespace vem

#endif  // VEMMISC_MSGBOX_HELPER_MESSAGE_DIALOG_H_
