#include "msgbox/helper/message_text_view.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "msgbox/helper/line_wrap.h"

namespace vem {
namespace {

constexpr int kMargin = 2;  // pixels between the frame and the text, on every side
constexpr int kLinesPerWheelStep = 3;
constexpr const char* kViewKey = "vem-message-text-view";

struct TextView {
  TextView(std::string shown, int tab_stop_pixels)
      : text(std::move(shown)),
        tabStop(std::max(1, tab_stop_pixels) * PANGO_SCALE),
        widths([this](char32_t character) { return Measure(character); }) {}
  ~TextView() {
    if (layout != nullptr) g_object_unref(layout);
  }

  int Measure(char32_t character) {
    char bytes[6];
    pango_layout_set_text(layout, bytes, g_unichar_to_utf8(character, bytes));
    PangoRectangle logical;
    pango_layout_get_extents(layout, nullptr, &logical);
    return logical.width;
  }
  // Sets `layout` to display line `index`, the selected part marked.
  void LayOutLine(std::size_t index);
  int Top() const { return static_cast<int>(gtk_adjustment_get_value(adjustment)); }
  // The text position nearest to the point (x, y) of the field.
  std::size_t PositionAt(double x, double y);
  void ScrollBy(double pixels) { gtk_adjustment_set_value(adjustment, gtk_adjustment_get_value(adjustment) + pixels); }

  std::string text;
  int tabStop;  // in Pango units, as are all widths below
  CharacterWidths widths;
  GtkWidget* area = nullptr;
  GtkAdjustment* adjustment = nullptr;
  PangoLayout* layout = nullptr;  // one line at a time, for measuring and drawing
  std::vector<DisplayLine> lines;
  int wrappedWidth = -1;   // in pixels; -1 until the field has a size
  int line_height = 1;     // in pixels
  std::size_t anchor = 0;  // the selection: from anchor to cursor, either way
  std::size_t cursor = 0;
  bool dragging = false;
};

TextView* ViewOf(GtkWidget* widget) { return static_cast<TextView*>(g_object_get_data(G_OBJECT(widget), kViewKey)); }

PangoAttribute* ColourAttribute(PangoAttribute* (*make)(guint16, guint16, guint16), const GdkRGBA& colour, guint start,
                                guint end) {
  PangoAttribute* attribute = make(static_cast<guint16>(colour.red * 65535), static_cast<guint16>(colour.green * 65535),
                                   static_cast<guint16>(colour.blue * 65535));
  attribute->start_index = start;
  attribute->end_index = end;
  return attribute;
}

void TextView::LayOutLine(std::size_t index) {
  const DisplayLine& line = lines[index];
  pango_layout_set_text(layout, text.data() + line.start, static_cast<int>(line.end - line.start));
  PangoAttrList* attributes = pango_attr_list_new();
  const std::size_t from = std::max(std::min(anchor, cursor), line.start);
  const std::size_t to = std::min(std::max(anchor, cursor), line.end);
  if (from < to) {
    GtkStyleContext* style = gtk_widget_get_style_context(area);
    gtk_style_context_save(style);
    gtk_style_context_set_state(style, static_cast<GtkStateFlags>(GTK_STATE_FLAG_SELECTED | GTK_STATE_FLAG_FOCUSED));
    GdkRGBA foreground;
    GdkRGBA* background = nullptr;
    gtk_style_context_get_color(style, gtk_style_context_get_state(style), &foreground);
    gtk_style_context_get(style, gtk_style_context_get_state(style), GTK_STYLE_PROPERTY_BACKGROUND_COLOR, &background,
                          nullptr);
    gtk_style_context_restore(style);
    const guint start = static_cast<guint>(from - line.start);
    const guint end = static_cast<guint>(to - line.start);
    pango_attr_list_insert(attributes, ColourAttribute(&pango_attr_foreground_new, foreground, start, end));
    if (background != nullptr) {
      pango_attr_list_insert(attributes, ColourAttribute(&pango_attr_background_new, *background, start, end));
      gdk_rgba_free(background);
    }
  }
  pango_layout_set_attributes(layout, attributes);
  pango_attr_list_unref(attributes);
}

std::size_t TextView::PositionAt(double x, double y) {
  if (lines.empty()) return 0;
  const double line = std::floor((y - kMargin + Top()) / line_height);
  const std::size_t index = static_cast<std::size_t>(std::clamp(line, 0.0, static_cast<double>(lines.size() - 1)));
  if (line < 0) return lines[index].start;
  if (line >= static_cast<double>(lines.size())) return lines[index].end;
  LayOutLine(index);
  int byte = 0;
  int trailing = 0;
  pango_layout_xy_to_index(layout, static_cast<int>((x - kMargin) * PANGO_SCALE), 0, &byte, &trailing);
  const char* in_line = text.data() + lines[index].start;
  const char* at = g_utf8_offset_to_pointer(in_line + byte, trailing);
  return std::min(lines[index].end, lines[index].start + static_cast<std::size_t>(at - in_line));
}

void OnSizeAllocate(GtkWidget* area, GdkRectangle* allocation, gpointer) {
  TextView* view = ViewOf(area);
  if (view->layout == nullptr) {
    view->layout = gtk_widget_create_pango_layout(area, nullptr);
    // Each display line is one Pango line: breaks and separators inside it
    // are drawn as characters, never as new lines.
    pango_layout_set_single_paragraph_mode(view->layout, TRUE);
    PangoTabArray* tabs = pango_tab_array_new_with_positions(1, FALSE, PANGO_TAB_LEFT, view->tabStop);
    pango_layout_set_tabs(view->layout, tabs);
    pango_tab_array_free(tabs);
    pango_layout_set_text(view->layout, "Ag", -1);
    PangoRectangle logical;
    pango_layout_get_extents(view->layout, nullptr, &logical);
    view->line_height = std::max(1, PANGO_PIXELS_CEIL(logical.height));
  }
  const int width = std::max(1, allocation->width - 2 * kMargin);
  if (width != view->wrappedWidth) {
    view->wrappedWidth = width;
    view->lines = WrapLines(view->text, width * PANGO_SCALE, view->tabStop, view->widths);
  }
  const double total = static_cast<double>(view->lines.size()) * view->line_height + 2 * kMargin;
  const double page = allocation->height;
  gtk_adjustment_configure(
      view->adjustment, std::min(gtk_adjustment_get_value(view->adjustment), std::max(0.0, total - page)), 0,
      std::max(total, page), view->line_height, std::max<double>(view->line_height, page - view->line_height), page);
}

gboolean OnDraw(GtkWidget* area, cairo_t* cairo, gpointer) {
  TextView* view = ViewOf(area);
  GtkStyleContext* style = gtk_widget_get_style_context(area);
  const int width = gtk_widget_get_allocated_width(area);
  const int height = gtk_widget_get_allocated_height(area);
  gtk_render_background(style, cairo, 0, 0, width, height);
  const int top = view->Top();
  for (std::size_t index = static_cast<std::size_t>(std::max(0, top - kMargin) / view->line_height);
       index < view->lines.size(); ++index) {
    const int y = static_cast<int>(index) * view->line_height + kMargin - top;
    if (y >= height) break;
    view->LayOutLine(index);
    gtk_render_layout(style, cairo, kMargin, y, view->layout);
  }
  if (gtk_widget_has_visible_focus(area)) gtk_render_focus(style, cairo, 0, 0, width, height);
  return TRUE;
}

gboolean OnScroll(GtkWidget* area, GdkEventScroll* event, gpointer) {
  TextView* view = ViewOf(area);
  double dx = 0;
  double dy = 0;
  if (event->direction == GDK_SCROLL_UP) dy = -1;
  if (event->direction == GDK_SCROLL_DOWN) dy = 1;
  if (event->direction == GDK_SCROLL_SMOOTH) gdk_event_get_scroll_deltas(reinterpret_cast<GdkEvent*>(event), &dx, &dy);
  view->ScrollBy(dy * kLinesPerWheelStep * view->line_height);
  return TRUE;
}

void CopySelection(TextView* view) {
  const std::size_t from = std::min(view->anchor, view->cursor);
  const std::size_t to = std::max(view->anchor, view->cursor);
  if (from == to) return;
  gtk_clipboard_set_text(gtk_widget_get_clipboard(view->area, GDK_SELECTION_CLIPBOARD), view->text.data() + from,
                         static_cast<gint>(to - from));
}

gboolean OnKeyPress(GtkWidget* area, GdkEventKey* event, gpointer) {
  TextView* view = ViewOf(area);
  const bool control = (event->state & GDK_CONTROL_MASK) != 0;
  const double page = gtk_adjustment_get_page_increment(view->adjustment);
  switch (event->keyval) {
    case GDK_KEY_Up:
    case GDK_KEY_KP_Up: view->ScrollBy(-view->line_height); return TRUE;
    case GDK_KEY_Down:
    case GDK_KEY_KP_Down: view->ScrollBy(view->line_height); return TRUE;
    case GDK_KEY_Page_Up:
    case GDK_KEY_KP_Page_Up: view->ScrollBy(-page); return TRUE;
    case GDK_KEY_Page_Down:
    case GDK_KEY_KP_Page_Down: view->ScrollBy(page); return TRUE;
    case GDK_KEY_Home:
    case GDK_KEY_KP_Home: gtk_adjustment_set_value(view->adjustment, 0); return TRUE;
    case GDK_KEY_End:
    case GDK_KEY_KP_End:
      gtk_adjustment_set_value(view->adjustment, gtk_adjustment_get_upper(view->adjustment));
      return TRUE;
    case GDK_KEY_a:
    case GDK_KEY_A:
      if (!control) return FALSE;
      view->anchor = 0;
      view->cursor = view->text.size();
      gtk_widget_queue_draw(area);
      return TRUE;
    case GDK_KEY_c:
    case GDK_KEY_C:
    case GDK_KEY_Insert:
    case GDK_KEY_KP_Insert:
      if (!control) return FALSE;
      CopySelection(view);
      return TRUE;
    default: return FALSE;
  }
}

gboolean OnButtonPress(GtkWidget* area, GdkEventButton* event, gpointer) {
  if (event->button != GDK_BUTTON_PRIMARY || event->type != GDK_BUTTON_PRESS) return FALSE;
  TextView* view = ViewOf(area);
  gtk_widget_grab_focus(area);
  view->anchor = view->cursor = view->PositionAt(event->x, event->y);
  view->dragging = true;
  gtk_widget_queue_draw(area);
  return TRUE;
}

// Dragging past the top or bottom edge scrolls the text along.
gboolean OnMotion(GtkWidget* area, GdkEventMotion* event, gpointer) {
  TextView* view = ViewOf(area);
  if (!view->dragging) return FALSE;
  if (event->y < 0) view->ScrollBy(-view->line_height);
  if (event->y >= gtk_widget_get_allocated_height(area)) view->ScrollBy(view->line_height);
  view->cursor = view->PositionAt(event->x, event->y);
  gtk_widget_queue_draw(area);
  return TRUE;
}

gboolean OnButtonRelease(GtkWidget* area, GdkEventButton* event, gpointer) {
  if (event->button != GDK_BUTTON_PRIMARY) return FALSE;
  ViewOf(area)->dragging = false;
  return TRUE;
}

void OnScrolled(GtkAdjustment*, gpointer area) { gtk_widget_queue_draw(GTK_WIDGET(area)); }

void DeleteView(gpointer view) { delete static_cast<TextView*>(view); }

}  // namespace

GtkWidget* NewMessageTextView(std::string text, int tab_stop) {
  TextView* view = new TextView(std::move(text), tab_stop);
  view->area = gtk_drawing_area_new();
  g_object_set_data_full(G_OBJECT(view->area), kViewKey, view, &DeleteView);
  gtk_widget_set_can_focus(view->area, TRUE);
  gtk_widget_set_hexpand(view->area, TRUE);
  gtk_widget_add_events(view->area, GDK_SCROLL_MASK | GDK_SMOOTH_SCROLL_MASK | GDK_BUTTON_PRESS_MASK |
                                        GDK_BUTTON_RELEASE_MASK | GDK_BUTTON1_MOTION_MASK | GDK_KEY_PRESS_MASK);
  // Drawn as the toolkit draws its text fields: their background and colours.
  gtk_style_context_add_class(gtk_widget_get_style_context(view->area), GTK_STYLE_CLASS_VIEW);
  g_signal_connect(view->area, "size-allocate", G_CALLBACK(OnSizeAllocate), nullptr);
  g_signal_connect(view->area, "draw", G_CALLBACK(OnDraw), nullptr);
  g_signal_connect(view->area, "scroll-event", G_CALLBACK(OnScroll), nullptr);
  g_signal_connect(view->area, "key-press-event", G_CALLBACK(OnKeyPress), nullptr);
  g_signal_connect(view->area, "button-press-event", G_CALLBACK(OnButtonPress), nullptr);
  g_signal_connect(view->area, "motion-notify-event", G_CALLBACK(OnMotion), nullptr);
  g_signal_connect(view->area, "button-release-event", G_CALLBACK(OnButtonRelease), nullptr);

  view->adjustment = gtk_adjustment_new(0, 0, 1, 1, 1, 1);
  g_signal_connect(view->adjustment, "value-changed", G_CALLBACK(OnScrolled), view->area);
  GtkWidget* bar = gtk_scrollbar_new(GTK_ORIENTATION_VERTICAL, view->adjustment);
  GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 0);
  gtk_box_pack_start(GTK_BOX(row), view->area, TRUE, TRUE, 0);
  gtk_box_pack_start(GTK_BOX(row), bar, FALSE, FALSE, 0);
  GtkWidget* frame = gtk_frame_new(nullptr);
  gtk_frame_set_shadow_type(GTK_FRAME(frame), GTK_SHADOW_IN);
  gtk_container_add(GTK_CONTAINER(frame), row);
  g_object_set_data(G_OBJECT(frame), kViewKey, view);
  return frame;
}

const std::string& MessageTextOf(GtkWidget* view) { return ViewOf(view)->text; }

}  // namespace vem
