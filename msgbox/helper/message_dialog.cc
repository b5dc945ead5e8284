#include "msgbox/helper/message_dialog.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string>

#include "msgbox/helper/message_text_view.h"

namespace vem {
namespace {

// The template's font is 8 points; the family is the desktop's own.
constexpr int kDialogFontPoints = 8;
constexpr const char* kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr const char* kIconResourceFolder = "/org/vemmisc/msgbox/";
// Tab stops in the message field, in dialog units, as in the system's edit fields.
constexpr int kTabStopUnits = 32;
// The comment label shows two lines at most; this many bytes of its text
// are plenty for them.
constexpr std::size_t kLabelBytes = 4096;

GdkPixbuf* LoadIcon(const std::string& name, int size) {
  const std::string path = std::string(kIconResourceFolder) + name + "-" + std::to_string(size) + ".png";
  return gdk_pixbuf_new_from_resource(path.c_str(), nullptr);
}

// Texts are shown as they are; only invalid UTF-8 (which GTK refuses) is
// repaired, and CR LF pairs become the line breaks GTK draws.
std::string Displayable(const std::string& text) {
  gchar* valid = g_utf8_make_valid(text.data(), static_cast<gssize>(text.size()));
  std::string result;
  result.reserve(text.size());
  for (const gchar* at = valid; *at != 0; ++at) {
    if (at[0] == '\r' && at[1] == '\n') continue;
    result += *at;
  }
  g_free(valid);
  return result;
}

std::string FieldOr(const FieldRecord& record, std::string_view name, const char* fallback) {
  const std::string* value = record.Find(name);
  return value != nullptr ? Displayable(*value) : std::string(fallback);
}

// The message field takes its line breaks as they come, so only invalid
// UTF-8 is repaired.
std::string ValidMessage(const FieldRecord& record) {
  const std::string* message = record.Find(request_field::kMessage);
  if (message == nullptr) return kUndefinedMessageText;
  gchar* valid = g_utf8_make_valid(message->data(), static_cast<gssize>(message->size()));
  std::string result(valid);
  g_free(valid);
  return result;
}

// The start of a label's text, enough to fill its rectangle many times over:
// a label lays out all of its text, however little of it shows.
std::string LabelPrefix(std::string text) {
  if (text.size() <= kLabelBytes) return text;
  const char* cut = g_utf8_find_prev_char(text.data(), text.data() + kLabelBytes + 1);
  text.resize(static_cast<std::size_t>(cut - text.data()));
  return text + "\u2026";
}

void Finish(Dialog* dialog, int end_code) {
  dialog->end_code = end_code;
  gtk_main_quit();
}

void OnOkClicked(GtkButton*, gpointer dialog) { Finish(static_cast<Dialog*>(dialog), kHelperExitOk); }

gboolean OnDeleteEvent(GtkWidget*, GdkEvent*, gpointer dialog) {
  Finish(static_cast<Dialog*>(dialog), kHelperExitCancelled);
  return TRUE;
}

gboolean OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer dialog) {
  if (event->keyval != GDK_KEY_Escape) return FALSE;
  Finish(static_cast<Dialog*>(dialog), kHelperExitCancelled);
  return TRUE;
}

// The kind's picture, centred in the control and clipped to it.
gboolean OnDrawIcon(GtkWidget* area, cairo_t* cairo, gpointer dialog) {
  GdkPixbuf* icon = static_cast<Dialog*>(dialog)->icon;
  if (icon == nullptr) return FALSE;
  const double left = (gtk_widget_get_allocated_width(area) - gdk_pixbuf_get_width(icon)) / 2.0;
  const double top = (gtk_widget_get_allocated_height(area) - gdk_pixbuf_get_height(icon)) / 2.0;
  gdk_cairo_set_source_pixbuf(cairo, icon, left, top);
  cairo_paint(cairo);
  return FALSE;
}

// Makes every widget use the template's font size in the desktop's family,
// and lets buttons be as low as the template draws them.
void ApplyDialogStyle() {
  gchar* font_name = nullptr;
  g_object_get(gtk_settings_get_default(), "gtk-font-name", &font_name, nullptr);
  PangoFontDescription* font = pango_font_description_from_string(font_name != nullptr ? font_name : "Sans");
  g_free(font_name);
  const char* family = pango_font_description_get_family(font);
  std::string family_name = family != nullptr ? family : "Sans";
  pango_font_description_free(font);
  for (char& c : family_name) {
    if (c == '"' || c == '\\') c = ' ';
  }
  const std::string css = "* { font-family: \"" + family_name + "\"; font-size: " + std::to_string(kDialogFontPoints) +
                          "pt; }\n"
                          "button { min-height: 0; min-width: 0; padding: 0 4px; }\n";
  GtkCssProvider* provider = gtk_css_provider_new();
  gtk_css_provider_load_from_data(provider, css.c_str(), -1, nullptr);
  gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(provider),
                                            GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  g_object_unref(provider);
}

BaseUnits MeasureBaseUnits(GtkWidget* window) {
  PangoLayout* layout = gtk_widget_create_pango_layout(window, kAlphabet);
  int width = 0;
  int height = 0;
  pango_layout_get_pixel_size(layout, &width, &height);
  g_object_unref(layout);
  return BaseUnitsFromFont(width, height);
}

// A label that keeps to its rectangle: wrapped lines as far as they fit, an
// ellipsis where the text goes on.
GtkWidget* NewTextControl(const std::string& text, const PixelRect& rect, int line_height) {
  GtkWidget* label = gtk_label_new(text.c_str());
  gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
  gtk_label_set_yalign(GTK_LABEL(label), 0.0f);
  gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
  gtk_label_set_line_wrap_mode(GTK_LABEL(label), PANGO_WRAP_WORD_CHAR);
  gtk_label_set_ellipsize(GTK_LABEL(label), PANGO_ELLIPSIZE_END);
  gtk_label_set_lines(GTK_LABEL(label), std::max(1, rect.height / std::max(1, line_height)));
  // Without a cap its natural width is the whole text on one line, which
  // would widen the dialog beyond the template.
  gtk_label_set_max_width_chars(GTK_LABEL(label), 1);
  return label;
}

// Builds the controls in template order, each at its rectangle.
GtkWidget* BuildClientArea(Dialog* dialog, const FieldRecord& request) {
  GtkWidget* fixed = gtk_fixed_new();
  const PixelRect client = ToPixels(DialogUnitsRect{0, 0, kDialogWidth, kDialogHeight}, dialog->units);
  gtk_widget_set_size_request(fixed, client.width, client.height);
  for (std::size_t i = 0; i < std::size(kTemplateControls); ++i) {
    const TemplateControl& control = kTemplateControls[i];
    const PixelRect rect = ToPixels(control.rect, dialog->units);
    GtkWidget* widget = nullptr;
    switch (control.kind) {
      case ControlKind::kDefaultButton:
        widget = gtk_button_new_with_label(control.text);
        gtk_widget_set_can_default(widget, TRUE);
        g_signal_connect(widget, "clicked", G_CALLBACK(OnOkClicked), dialog);
        dialog->okButton = widget;
        break;
      case ControlKind::kText: {
        const bool is_comment = control.id == kCommentId;
        const std::string text = is_comment ? FieldOr(request, request_field::kComment, control.text) : control.text;
        widget = NewTextControl(LabelPrefix(text), rect, dialog->units.y);
        if (is_comment) dialog->comment = widget;
        break;
      }
      case ControlKind::kReadOnlyScrollingText:
        widget = NewMessageTextView(ValidMessage(request), kTabStopUnits * dialog->units.x / 4);
        dialog->message = widget;
        break;
      case ControlKind::kIcon:
        widget = gtk_drawing_area_new();
        g_signal_connect(widget, "draw", G_CALLBACK(OnDrawIcon), dialog);
        break;
      case ControlKind::kFrame: widget = gtk_frame_new(nullptr); break;
    }
    gtk_widget_set_size_request(widget, rect.width, rect.height);
    gtk_fixed_put(GTK_FIXED(fixed), widget, rect.x, rect.y);
    dialog->controls[i] = widget;
  }
  // Tab order is template order: the template has two tab stops, the OK
  // button and the message field, so Tab and Shift+Tab alternate between them.
  return fixed;
}

void SetIcons(Dialog* dialog, std::int64_t kind) {
  dialog->iconName = IconNameForKind(kind);
  dialog->icon = LoadIcon(dialog->iconName, 32);
  if (dialog->icon == nullptr) {
    dialog->iconName = kTemplateIconName;
    dialog->icon = LoadIcon(dialog->iconName, 32);
  }
  if (dialog->icon == nullptr) dialog->iconName = "none";

  GList* sizes = nullptr;
  for (int size : {16, 32, 64}) {
    if (GdkPixbuf* emblem = LoadIcon(kWindowIconName, size)) sizes = g_list_append(sizes, emblem);
  }
  dialog->hasWindowIcon = sizes != nullptr;
  gtk_window_set_icon_list(GTK_WINDOW(dialog->window), sizes);
  g_list_free_full(sizes, g_object_unref);
}

// The owner's rectangle on the screen; false when it is gone.
bool OwnerGeometry(Display* display, Window owner, GdkRectangle* area) {
  Window root = None;
  int x = 0;
  int y = 0;
  unsigned width = 0;
  unsigned height = 0;
  unsigned border = 0;
  unsigned depth = 0;
  if (!XGetGeometry(display, owner, &root, &x, &y, &width, &height, &border, &depth)) return false;
  Window child = None;
  if (!XTranslateCoordinates(display, owner, root, 0, 0, &x, &y, &child)) return false;
  *area = GdkRectangle{x, y, static_cast<int>(width), static_cast<int>(height)};
  return true;
}

// Under X11 the box is transient for its owner, which makes it modal to that
// window and lets the window manager keep it above; it starts centred on it.
void AttachToOwner(Dialog* dialog, Window owner, const PixelRect& client) {
  GdkDisplay* display = gdk_display_get_default();
  if (owner == None || !GDK_IS_X11_DISPLAY(display)) return;
  Display* xdisplay = gdk_x11_display_get_xdisplay(display);
  gdk_x11_display_error_trap_push(display);
  GdkRectangle area;
  GdkWindow* foreign = nullptr;
  if (OwnerGeometry(xdisplay, owner, &area)) foreign = gdk_x11_window_foreign_new_for_display(display, owner);
  gdk_x11_display_error_trap_pop_ignored(display);
  if (foreign == nullptr) return;
  dialog->owner = owner;
  gtk_widget_realize(dialog->window);
  gdk_window_set_transient_for(gtk_widget_get_window(dialog->window), foreign);
  g_object_unref(foreign);
  dialog->ownerCentredAt =
      GdkPoint{area.x + (area.width - client.width) / 2, area.y + (area.height - client.height) / 2};
  gtk_window_set_position(GTK_WINDOW(dialog->window), GTK_WIN_POS_NONE);
  gtk_window_move(GTK_WINDOW(dialog->window), dialog->ownerCentredAt.x, dialog->ownerCentredAt.y);
}

gboolean RunShownHook(gpointer dialog) {
  static_cast<Dialog*>(dialog)->shown(*static_cast<Dialog*>(dialog));
  return G_SOURCE_REMOVE;
}

gboolean OnMapped(GtkWidget*, GdkEvent*, gpointer data) {
  Dialog* dialog = static_cast<Dialog*>(data);
  // Some window managers place a new window where they like, whatever it
  // asked for; once mapped, a move is a plain request they follow.
  if (dialog->owner != None) {
    gtk_window_move(GTK_WINDOW(dialog->window), dialog->ownerCentredAt.x, dialog->ownerCentredAt.y);
  }
  if (dialog->shown != nullptr && !dialog->shownHookRan) {
    dialog->shownHookRan = true;
    // Ahead of the text view's own idle work, which for a long message lays
    // out the whole text before anything of lower priority runs.
    g_idle_add_full(G_PRIORITY_HIGH_IDLE, &RunShownHook, dialog, nullptr);
  }
  return FALSE;
}

}  // namespace

int RunMessageDialog(const FieldRecord& request, DialogShownHook shown) {
  if (!gtk_init_check(nullptr, nullptr)) return kHelperExitCannotShow;
  ApplyDialogStyle();

  Dialog dialog;
  dialog.shown = shown;
  dialog.window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  GtkWindow* window = GTK_WINDOW(dialog.window);
  gtk_window_set_title(window, FieldOr(request, request_field::kCaption, "").c_str());
  gtk_window_set_type_hint(window, GDK_WINDOW_TYPE_HINT_DIALOG);
  gtk_window_set_resizable(window, FALSE);
  gtk_window_set_modal(window, TRUE);
  gtk_window_set_position(window, GTK_WIN_POS_CENTER);
  std::int64_t kind = 1;
  request.FindInteger(request_field::kKind, &kind);
  SetIcons(&dialog, kind);

  dialog.units = MeasureBaseUnits(dialog.window);
  gtk_container_add(GTK_CONTAINER(dialog.window), BuildClientArea(&dialog, request));
  gtk_widget_grab_default(dialog.okButton);
  gtk_window_set_focus(window, dialog.okButton);
  g_signal_connect(dialog.window, "delete-event", G_CALLBACK(OnDeleteEvent), &dialog);
  g_signal_connect(dialog.window, "key-press-event", G_CALLBACK(OnKeyPress), &dialog);
  g_signal_connect(dialog.window, "map-event", G_CALLBACK(OnMapped), &dialog);

  std::int64_t owner = 0;
  if (request.FindInteger(request_field::kOwner, &owner) && owner > 0) {
    AttachToOwner(&dialog, static_cast<Window>(owner),
                  ToPixels(DialogUnitsRect{0, 0, kDialogWidth, kDialogHeight}, dialog.units));
  }
  gtk_widget_show_all(dialog.window);
  gtk_main();
  gtk_widget_destroy(dialog.window);
  if (dialog.icon != nullptr) g_object_unref(dialog.icon);
  return dialog.end_code;
}

}  // namespace vem
