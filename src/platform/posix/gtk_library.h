#pragma once
// GTK 3 (with GDK, cairo and pango) opened when a window is first wanted, not
// linked: most runs (quiet installs, browser launches) show none, and loading
// the toolkit's seventy libraries at start costs every run about 15 ms. The
// functions the window system calls are looked up by name once.

// Casts are plain casts, so no type function of the toolkit is linked in.
#define G_DISABLE_CAST_CHECKS
#include <gtk/gtk.h>

namespace platform {

#define ZORBIT_GTK_FUNCTIONS(X)           \
    X(cairo_arc)                          \
    X(cairo_close_path)                   \
    X(cairo_fill)                         \
    X(cairo_fill_preserve)                \
    X(cairo_move_to)                      \
    X(cairo_new_sub_path)                 \
    X(cairo_paint)                        \
    X(cairo_rectangle)                    \
    X(cairo_set_line_width)               \
    X(cairo_set_source_rgb)               \
    X(cairo_stroke)                       \
    X(g_main_context_iteration)           \
    X(g_main_context_wakeup)              \
    X(g_object_ref)                       \
    X(g_object_unref)                     \
    X(g_signal_connect_data)              \
    X(g_source_remove)                    \
    X(g_timeout_add)                      \
    X(gdk_pixbuf_get_from_window)         \
    X(gdk_pixbuf_get_height)              \
    X(gdk_pixbuf_get_n_channels)          \
    X(gdk_pixbuf_get_pixels)              \
    X(gdk_pixbuf_get_rowstride)           \
    X(gdk_pixbuf_get_width)               \
    X(gdk_pixbuf_save)                    \
    X(gtk_container_add)                  \
    X(gtk_dialog_run)                     \
    X(gtk_drawing_area_new)               \
    X(gtk_events_pending)                 \
    X(gtk_init_check)                     \
    X(gtk_main_iteration)                 \
    X(gtk_message_dialog_new)             \
    X(gtk_widget_add_events)              \
    X(gtk_widget_destroy)                 \
    X(gtk_widget_get_visible)             \
    X(gtk_widget_get_window)              \
    X(gtk_widget_queue_draw)              \
    X(gtk_widget_set_size_request)        \
    X(gtk_widget_show_all)                \
    X(gtk_window_new)                     \
    X(gtk_window_present)                 \
    X(gtk_window_set_decorated)           \
    X(gtk_window_set_default_size)        \
    X(gtk_window_set_keep_above)          \
    X(gtk_window_set_position)            \
    X(gtk_window_set_resizable)           \
    X(gtk_window_set_title)               \
    X(pango_cairo_create_layout)          \
    X(pango_cairo_show_layout)            \
    X(pango_font_description_free)        \
    X(pango_font_description_from_string) \
    X(pango_layout_get_pixel_size)        \
    X(pango_layout_set_alignment)         \
    X(pango_layout_set_ellipsize)         \
    X(pango_layout_set_font_description)  \
    X(pango_layout_set_spacing)           \
    X(pango_layout_set_text)              \
    X(pango_layout_set_width)

struct GtkLibrary {
#define ZORBIT_GTK_POINTER(name) decltype(&::name) name = nullptr;
    ZORBIT_GTK_FUNCTIONS(ZORBIT_GTK_POINTER)
#undef ZORBIT_GTK_POINTER
};

// The toolkit's functions; null when GTK 3 or one of them cannot be had
// (then the launcher runs without windows).
const GtkLibrary* openGtkLibrary();

// The toolkit once openGtkLibrary has answered one.
const GtkLibrary& gtk();

}  // namespace platform
