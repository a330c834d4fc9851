#include "x11_window.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace korvane::testing {

namespace {

// A window looked at may be gone by the time the request reaches the server
// (wine replaces its windows as it pleases); Xlib's own handler would end the
// harness for that.
int IgnoreErrors(Display*, XErrorEvent*) { return 0; }

}  // namespace

X11Screen::X11Screen() : display_(XOpenDisplay(nullptr)) {
    if (display_) XSetErrorHandler(IgnoreErrors);
}

X11Screen::~X11Screen() {
    if (display_) XCloseDisplay(display_);
}

std::string X11Screen::Title(unsigned long window) {
    if (!display_) return {};
    // wine names its windows in UTF-8 (_NET_WM_NAME) and in the locale's text (WM_NAME).
    const Atom utf8 = XInternAtom(display_, "UTF8_STRING", False);
    const Atom netName = XInternAtom(display_, "_NET_WM_NAME", False);
    Atom type = None;
    int format = 0;
    unsigned long items = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    std::string title;
    if (XGetWindowProperty(display_, window, netName, 0, 4096, False, utf8, &type, &format, &items,
                           &after, &data) == Success &&
        data) {
        if (type == utf8 && format == 8) title.assign(reinterpret_cast<char*>(data), items);
        XFree(data);
    }
    if (title.empty()) {
        char* name = nullptr;
        if (XFetchName(display_, window, &name) && name) {
            title = name;
            XFree(name);
        }
    }
    return title;
}

std::optional<unsigned long> X11Screen::Search(unsigned long window, const std::string& part,
                                               int depth) {
    XWindowAttributes attrs{};
    if (depth > 0 && XGetWindowAttributes(display_, window, &attrs) &&
        attrs.map_state == IsViewable && Title(window).find(part) != std::string::npos)
        return window;
    if (depth > 3) return std::nullopt;
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display_, window, &root, &parent, &children, &count)) return std::nullopt;
    std::optional<unsigned long> found;
    for (unsigned i = 0; i < count && !found; ++i) found = Search(children[i], part, depth + 1);
    if (children) XFree(children);
    return found;
}

std::optional<unsigned long> X11Screen::FindWindow(const std::string& part) {
    if (!display_) return std::nullopt;
    XSync(display_, False);
    return Search(DefaultRootWindow(display_), part, 0);
}

QImage X11Screen::Grab(unsigned long window) {
    if (!display_) return {};
    XWindowAttributes attrs{};
    if (!XGetWindowAttributes(display_, window, &attrs) || attrs.map_state != IsViewable) return {};
    XImage* img = XGetImage(display_, window, 0, 0, static_cast<unsigned>(attrs.width),
                            static_cast<unsigned>(attrs.height), AllPlanes, ZPixmap);
    if (!img) return {};
    QImage out(attrs.width, attrs.height, QImage::Format_RGB32);
    for (int y = 0; y < attrs.height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < attrs.width; ++x) {
            const unsigned long p = XGetPixel(img, x, y);
            line[x] = qRgb(static_cast<int>((p & img->red_mask) >> 16),
                           static_cast<int>((p & img->green_mask) >> 8),
                           static_cast<int>(p & img->blue_mask));
        }
    }
    XDestroyImage(img);
    return out;
}

Lamp LampOf(const QImage& window) {
    if (window.isNull()) return Lamp::Unknown;
    // The lamp is a green ball: bright (40, 230, 40) when lit, dark
    // (20, 90, 30) when not; the status bar is the bottom strip.
    int lit = 0;
    int unlit = 0;
    for (int y = std::max(0, window.height() - 40); y < window.height(); ++y) {
        for (int x = 0; x < window.width(); ++x) {
            const QColor c = window.pixelColor(x, y);
            if (c.green() > 180 && c.red() < 120 && c.blue() < 120) ++lit;
            if (c.green() >= 70 && c.green() <= 110 && c.red() < 40 && c.blue() < 50) ++unlit;
        }
    }
    if (lit >= 20) return Lamp::Lit;
    if (unlit >= 20) return Lamp::Unlit;
    return Lamp::Unknown;
}

int WhiteOnPage(const QImage& window) {
    int white = 0;
    const int w = window.width();
    const int h = window.height();
    // Below the RT-220's last row of controls: nothing but sky there.
    for (int y = h * 52 / 100; y < h * 80 / 100; ++y) {
        for (int x = w * 36 / 100; x < w * 97 / 100; ++x)
            if (window.pixel(x, y) == qRgb(255, 255, 255)) ++white;
    }
    return white;
}

}  // namespace korvane::testing
