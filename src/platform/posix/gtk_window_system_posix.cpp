// The desktop window system on GTK 3: the progress window is drawn by hand
// (white client area, thin grey border, logo, message, bar and image-like
// buttons) so it looks the same on every desktop theme.
#include "platform/window_system.h"

#ifdef ZORBIT_HAVE_GTK

#include <cmath>
#include <cstdlib>
#include <string>

#include "platform/message_box.h"
#include "platform/message_loop.h"
#include "platform/posix/gtk_library.h"

namespace platform {
namespace {

constexpr int kWidth = 500;
constexpr int kHeight = 320;

struct Rect {
    double x, y, w, h;
    bool contains(double px, double py) const {
        return px >= x && px < x + w && py >= y && py < y + h;
    }
};

const Rect kLogo{kWidth / 2.0 - 45, 70, 90, 90};
const Rect kMessage{5, 200, kWidth - 10.0, 20};
const Rect kBar{24, 242, 452, 20};
const Rect kCancel{kWidth / 2.0 - 65, kHeight - 55.0, 130, 44};
const Rect kBanner{kWidth / 2.0 - 225, 196, 450, 48};
const Rect kLaunch{kWidth / 2.0 - 65, 250, 130, 44};
const Rect kLink{kWidth / 2.0 - 55, kHeight - 24.0, 110, 14};

void setColor(cairo_t* cr, int r, int g, int b) {
    gtk().cairo_set_source_rgb(cr, r / 255.0, g / 255.0, b / 255.0);
}

void drawText(cairo_t* cr, const std::string& text, const Rect& box, const char* font, int r, int g,
              int b, double lineSpacing = 0) {
    PangoLayout* layout = gtk().pango_cairo_create_layout(cr);
    PangoFontDescription* description = gtk().pango_font_description_from_string(font);
    gtk().pango_layout_set_font_description(layout, description);
    gtk().pango_layout_set_width(layout, static_cast<int>(box.w * PANGO_SCALE));
    gtk().pango_layout_set_alignment(layout, PANGO_ALIGN_CENTER);
    gtk().pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_END);
    if (lineSpacing > 0)
        gtk().pango_layout_set_spacing(layout, static_cast<int>(lineSpacing * PANGO_SCALE));
    gtk().pango_layout_set_text(layout, text.c_str(), -1);
    int width = 0, height = 0;
    gtk().pango_layout_get_pixel_size(layout, &width, &height);
    setColor(cr, r, g, b);
    gtk().cairo_move_to(cr, box.x, box.y + (box.h - height) / 2);
    gtk().pango_cairo_show_layout(cr, layout);
    gtk().pango_font_description_free(description);
    gtk().g_object_unref(layout);
}

void roundedRectangle(cairo_t* cr, const Rect& box, double radius) {
    const double x = box.x, y = box.y, w = box.w, h = box.h;
    gtk().cairo_new_sub_path(cr);
    gtk().cairo_arc(cr, x + w - radius, y + radius, radius, -M_PI / 2, 0);
    gtk().cairo_arc(cr, x + w - radius, y + h - radius, radius, 0, M_PI / 2);
    gtk().cairo_arc(cr, x + radius, y + h - radius, radius, M_PI / 2, M_PI);
    gtk().cairo_arc(cr, x + radius, y + radius, radius, M_PI, 3 * M_PI / 2);
    gtk().cairo_close_path(cr);
}

void drawButton(cairo_t* cr, const Rect& box, const std::string& label, bool hover, bool primary) {
    roundedRectangle(cr, {box.x + 0.5, box.y + 0.5, box.w - 1, box.h - 1}, 4);
    if (primary) {
        hover ? setColor(cr, 0, 150, 60) : setColor(cr, 0, 176, 72);
    } else {
        hover ? setColor(cr, 236, 236, 236) : setColor(cr, 255, 255, 255);
    }
    gtk().cairo_fill_preserve(cr);
    primary ? setColor(cr, 0, 130, 52) : setColor(cr, 160, 160, 160);
    gtk().cairo_set_line_width(cr, 1);
    gtk().cairo_stroke(cr);
    primary ? drawText(cr, label, box, "Sans Bold 11", 255, 255, 255)
            : drawText(cr, label, box, "Sans 11", 60, 60, 60);
}

void drawLogo(cairo_t* cr, const WindowLogo& logo) {
    if (logo.shape == WindowLogo::Shape::RoundedSquare) {
        roundedRectangle(cr, kLogo, 14);
    } else {
        gtk().cairo_arc(cr, kLogo.x + 45, kLogo.y + 45, 45, 0, 2 * M_PI);
    }
    setColor(cr, logo.red, logo.green, logo.blue);
    gtk().cairo_fill(cr);
    drawText(cr, logo.letter, kLogo, "Sans Bold 44", 255, 255, 255);
}

class GtkProgressWindow final : public ProgressWindow {
public:
    explicit GtkProgressWindow(const ProgressWindowContent& content) : content_(content) {
        window_ = gtk().gtk_window_new(GTK_WINDOW_TOPLEVEL);
        gtk().gtk_window_set_decorated(GTK_WINDOW(window_), FALSE);
        gtk().gtk_window_set_resizable(GTK_WINDOW(window_), FALSE);
        gtk().gtk_window_set_default_size(GTK_WINDOW(window_), kWidth, kHeight);
        gtk().gtk_window_set_position(GTK_WINDOW(window_), GTK_WIN_POS_CENTER);
        area_ = gtk().gtk_drawing_area_new();
        gtk().gtk_widget_set_size_request(area_, kWidth, kHeight);
        gtk().gtk_widget_add_events(area_, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK |
                                               GDK_POINTER_MOTION_MASK | GDK_LEAVE_NOTIFY_MASK);
        gtk().gtk_container_add(GTK_CONTAINER(window_), area_);
        gtk().g_signal_connect_data(area_, "draw", G_CALLBACK(onDraw), this, nullptr,
                                    GConnectFlags(0));
        gtk().g_signal_connect_data(area_, "button-press-event", G_CALLBACK(onPress), this, nullptr,
                                    GConnectFlags(0));
        gtk().g_signal_connect_data(area_, "button-release-event", G_CALLBACK(onRelease), this,
                                    nullptr, GConnectFlags(0));
        gtk().g_signal_connect_data(area_, "motion-notify-event", G_CALLBACK(onMotion), this,
                                    nullptr, GConnectFlags(0));
        gtk().g_signal_connect_data(area_, "leave-notify-event", G_CALLBACK(onLeave), this, nullptr,
                                    GConnectFlags(0));
        gtk().g_signal_connect_data(window_, "delete-event", G_CALLBACK(onDelete), this, nullptr,
                                    GConnectFlags(0));
        (gtk().g_object_ref)(window_);
    }

    ~GtkProgressWindow() override {
        destroy();
        gtk().g_object_unref(window_);
    }

    void setTitle(const std::string& title) override {
        if (!destroyed_) gtk().gtk_window_set_title(GTK_WINDOW(window_), title.c_str());
    }
    void setMessage(const std::string& text) override {
        message_ = text;
        redraw();
    }
    void setProgress(int percent) override {
        if (marquee_) return;
        percent_ = percent < 0 ? 0 : (percent > 100 ? 100 : percent);
        redraw();
    }
    void setMarquee(bool on) override {
        if (marquee_ == on) return;
        marquee_ = on;
        if (on && marqueeTimer_ == 0) {
            marqueeTimer_ = gtk().g_timeout_add(30, onMarqueeTick, this);
        } else if (!on && marqueeTimer_ != 0) {
            gtk().g_source_remove(marqueeTimer_);
            marqueeTimer_ = 0;
        }
        redraw();
    }
    void setCancel(bool visible, bool enabled) override {
        cancelVisible_ = visible;
        cancelEnabled_ = enabled;
        redraw();
    }
    void show() override {
        if (destroyed_) return;
        gtk().gtk_widget_show_all(window_);
        gtk().gtk_window_present(GTK_WINDOW(window_));
    }
    void showFinished(bool successScreen) override {
        finished_ = true;
        success_ = successScreen;
        cancelVisible_ = false;
        redraw();
    }
    void destroy() override {
        if (destroyed_) return;
        destroyed_ = true;
        if (marqueeTimer_ != 0) gtk().g_source_remove(marqueeTimer_);
        marqueeTimer_ = 0;
        if (timer_ != 0) gtk().g_source_remove(timer_);
        timer_ = 0;
        gtk().gtk_widget_destroy(window_);
    }
    bool isVisible() const override { return !destroyed_ && gtk().gtk_widget_get_visible(window_); }
    bool acceptsInput() const override { return true; }
    void startTimer(unsigned periodMs, std::function<void()> tick) override {
        if (destroyed_) return;
        if (timer_ != 0) gtk().g_source_remove(timer_);
        tick_ = std::move(tick);
        timer_ = gtk().g_timeout_add(periodMs, onTimer, this);
    }

    GtkWidget* widget() const { return window_; }

private:
    enum class Hot { None, Cancel, Launch, Link };

    void redraw() {
        if (!destroyed_) gtk().gtk_widget_queue_draw(area_);
    }

    Hot hitTest(double x, double y) const {
        if (!finished_ && cancelVisible_ && cancelEnabled_ && kCancel.contains(x, y))
            return Hot::Cancel;
        if (success_ && kLaunch.contains(x, y)) return Hot::Launch;
        if (success_ && kLink.contains(x, y)) return Hot::Link;
        return Hot::None;
    }

    void draw(cairo_t* cr) {
        setColor(cr, 255, 255, 255);
        gtk().cairo_paint(cr);
        setColor(cr, 184, 184, 184);
        gtk().cairo_set_line_width(cr, 1);
        gtk().cairo_rectangle(cr, 0.5, 0.5, kWidth - 1, kHeight - 1);
        gtk().cairo_stroke(cr);
        drawLogo(cr, content_.logo);
        if (!finished_) {
            drawText(cr, message_, kMessage, "Tahoma, Sans 11", 25, 25, 25);
            drawBar(cr);
            if (cancelVisible_)
                drawButton(cr, kCancel, content_.cancelLabel, hot_ == Hot::Cancel, false);
        }
        if (success_) {
            drawText(cr, content_.successBanner, kBanner, "Sans Bold 11", 25, 25, 25, 4);
            drawButton(cr, kLaunch, content_.launchLabel, hot_ == Hot::Launch, true);
            // The text may run a little past the link's box; only the box is clickable.
            drawText(cr, content_.linkLabel, {kLink.x - 30, kLink.y, kLink.w + 60, kLink.h},
                     "Sans 8", 0, hot_ == Hot::Link ? 90 : 120, hot_ == Hot::Link ? 200 : 255);
        }
    }

    void drawBar(cairo_t* cr) {
        setColor(cr, 230, 230, 230);
        gtk().cairo_rectangle(cr, kBar.x, kBar.y, kBar.w, kBar.h);
        gtk().cairo_fill(cr);
        setColor(cr, 188, 188, 188);
        gtk().cairo_rectangle(cr, kBar.x + 0.5, kBar.y + 0.5, kBar.w - 1, kBar.h - 1);
        gtk().cairo_stroke(cr);
        setColor(cr, 6, 176, 37);
        if (marquee_) {
            const double block = kBar.w / 4;
            const double offset = std::fmod(marqueePhase_ * 6.0, kBar.w + block) - block;
            const double left = std::max(kBar.x + 1, kBar.x + offset);
            const double right = std::min(kBar.x + kBar.w - 1, kBar.x + offset + block);
            if (right > left) gtk().cairo_rectangle(cr, left, kBar.y + 1, right - left, kBar.h - 2);
        } else {
            gtk().cairo_rectangle(cr, kBar.x + 1, kBar.y + 1, (kBar.w - 2) * percent_ / 100.0,
                                  kBar.h - 2);
        }
        gtk().cairo_fill(cr);
    }

    static gboolean onDraw(GtkWidget*, cairo_t* cr, gpointer self) {
        static_cast<GtkProgressWindow*>(self)->draw(cr);
        return TRUE;
    }
    static gboolean onMarqueeTick(gpointer data) {
        auto* self = static_cast<GtkProgressWindow*>(data);
        ++self->marqueePhase_;
        self->redraw();
        return G_SOURCE_CONTINUE;
    }
    static gboolean onPress(GtkWidget*, GdkEventButton* event, gpointer data) {
        auto* self = static_cast<GtkProgressWindow*>(data);
        self->pressed_ = self->hitTest(event->x, event->y);
        return TRUE;
    }
    // A release acts only inside the button it was pressed on.
    static gboolean onRelease(GtkWidget*, GdkEventButton* event, gpointer data) {
        auto* self = static_cast<GtkProgressWindow*>(data);
        const Hot released = self->hitTest(event->x, event->y);
        const Hot pressed = self->pressed_;
        self->pressed_ = Hot::None;
        if (released != pressed) return TRUE;
        if (released == Hot::Cancel && self->onCancelRequested) self->onCancelRequested();
        if (released == Hot::Launch && self->onLaunchRequested) self->onLaunchRequested();
        if (released == Hot::Link && self->onLinkRequested) self->onLinkRequested();
        return TRUE;
    }
    static gboolean onMotion(GtkWidget*, GdkEventMotion* event, gpointer data) {
        auto* self = static_cast<GtkProgressWindow*>(data);
        const Hot hot = self->hitTest(event->x, event->y);
        if (hot != self->hot_) {
            self->hot_ = hot;
            self->redraw();
        }
        return TRUE;
    }
    static gboolean onLeave(GtkWidget*, GdkEventCrossing*, gpointer data) {
        auto* self = static_cast<GtkProgressWindow*>(data);
        self->hot_ = Hot::None;
        self->redraw();
        return TRUE;
    }
    // The tick may destroy the window, which removes this source.
    static gboolean onTimer(gpointer data) {
        auto* self = static_cast<GtkProgressWindow*>(data);
        const std::function<void()> tick = self->tick_;
        if (tick) tick();
        return self->timer_ != 0 ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
    }

    // Closing the window by the desktop is a cancel.
    static gboolean onDelete(GtkWidget*, GdkEvent*, gpointer data) {
        auto* self = static_cast<GtkProgressWindow*>(data);
        if (self->onCancelRequested) self->onCancelRequested();
        return TRUE;
    }

    ProgressWindowContent content_;
    GtkWidget* window_ = nullptr;
    GtkWidget* area_ = nullptr;
    std::string message_;
    int percent_ = 0;
    bool marquee_ = false;
    guint marqueeTimer_ = 0;
    unsigned marqueePhase_ = 0;
    guint timer_ = 0;
    std::function<void()> tick_;
    bool cancelVisible_ = false;
    bool cancelEnabled_ = true;
    bool finished_ = false;
    bool success_ = false;
    bool destroyed_ = false;
    Hot hot_ = Hot::None;
    Hot pressed_ = Hot::None;
};

class GtkPump final : public MessagePump {
public:
    void waitForWork() override { gtk().g_main_context_iteration(nullptr, TRUE); }
    void wakeUp() override { gtk().g_main_context_wakeup(nullptr); }
};

class GtkWindowSystem final : public WindowSystem {
public:
    int messageBox(const std::string& text, const std::string& caption, unsigned type) override {
        const unsigned buttons = type & 0xF;
        const unsigned icon = type & 0xF0;
        GtkMessageType kind = GTK_MESSAGE_OTHER;
        if (icon == kMbIconHand) kind = GTK_MESSAGE_ERROR;
        if (icon == kMbIconExclamation) kind = GTK_MESSAGE_WARNING;
        if (icon == kMbIconQuestion) kind = GTK_MESSAGE_QUESTION;
        if (icon == kMbIconInformation) kind = GTK_MESSAGE_INFO;
        GtkButtonsType set = buttons == kMbYesNo      ? GTK_BUTTONS_YES_NO
                             : buttons == kMbOkCancel ? GTK_BUTTONS_OK_CANCEL
                                                      : GTK_BUTTONS_OK;
        GtkWidget* dialog =
            gtk().gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, kind, set, "%s", text.c_str());
        gtk().gtk_window_set_title(GTK_WINDOW(dialog), caption.c_str());
        gtk().gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);
        const int response = gtk().gtk_dialog_run(GTK_DIALOG(dialog));
        gtk().gtk_widget_destroy(dialog);
        switch (response) {
            case GTK_RESPONSE_OK:
                return kIdOk;
            case GTK_RESPONSE_CANCEL:
                return kIdCancel;
            case GTK_RESPONSE_YES:
                return kIdYes;
            case GTK_RESPONSE_NO:
                return kIdNo;
            default:
                return buttons == kMbOk ? kIdOk : (buttons == kMbYesNo ? kIdNo : kIdCancel);
        }
    }

    std::unique_ptr<ProgressWindow> createProgressWindow(
        const ProgressWindowContent& content) override {
        return std::make_unique<GtkProgressWindow>(content);
    }

    GtkPump pump;
};

}  // namespace

bool initializeWindowSystem() {
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if ((!x11 || !*x11) && (!wayland || !*wayland)) return false;
    if (!openGtkLibrary() || !gtk().gtk_init_check(nullptr, nullptr)) return false;
    static GtkWindowSystem system;
    setMessagePump(&system.pump);
    WindowSystem::setActive(&system);
    return true;
}

namespace {

// The window's pixels once pending drawing is done; nullptr when it has none.
GdkPixbuf* snapshot(ProgressWindow& window) {
    auto* gtkWindow = dynamic_cast<GtkProgressWindow*>(&window);
    if (!gtkWindow) return nullptr;
    while (gtk().gtk_events_pending()) gtk().gtk_main_iteration();
    GdkWindow* surface = gtk().gtk_widget_get_window(gtkWindow->widget());
    return surface ? gtk().gdk_pixbuf_get_from_window(surface, 0, 0, kWidth, kHeight) : nullptr;
}

}  // namespace

// For tests: the window's pixels as packed RGB rows, after pending drawing.
bool captureProgressWindow(ProgressWindow& window, std::string& rgb, int& width, int& height) {
    GdkPixbuf* pixels = snapshot(window);
    if (!pixels) return false;
    width = gtk().gdk_pixbuf_get_width(pixels);
    height = gtk().gdk_pixbuf_get_height(pixels);
    const int stride = gtk().gdk_pixbuf_get_rowstride(pixels);
    const int channels = gtk().gdk_pixbuf_get_n_channels(pixels);
    const guchar* data = gtk().gdk_pixbuf_get_pixels(pixels);
    rgb.clear();
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            rgb.append(reinterpret_cast<const char*>(data + y * stride + x * channels), 3);
    gtk().g_object_unref(pixels);
    return true;
}

bool saveProgressWindowPng(ProgressWindow& window, const std::string& path) {
    GdkPixbuf* pixels = snapshot(window);
    if (!pixels) return false;
    const bool saved = gtk().gdk_pixbuf_save(pixels, path.c_str(), "png", nullptr, nullptr);
    gtk().g_object_unref(pixels);
    return saved;
}

}  // namespace platform

#else  // no desktop toolkit in this build

namespace platform {
bool initializeWindowSystem() {
    return false;
}
bool captureProgressWindow(ProgressWindow&, std::string&, int&, int&) {
    return false;
}
bool saveProgressWindowPng(ProgressWindow&, const std::string&) {
    return false;
}
}  // namespace platform

#endif
