#pragma once
// The window of a Windows program as wine draws it on an X display: found by
// its title, its title read back, its pixels grabbed. The form's state is
// read from the pixels the operator would look at: the status bar's lamp,
// and the white edit boxes that only the RT-221's address-code page has
// many of.
#include <QImage>
#include <optional>
#include <string>

typedef struct _XDisplay Display;

namespace korvane::testing {

class X11Screen {
  public:
    // The display of $DISPLAY; ok() is false without one.
    X11Screen();
    ~X11Screen();
    X11Screen(const X11Screen&) = delete;
    X11Screen& operator=(const X11Screen&) = delete;
    bool ok() const { return display_ != nullptr; }

    // The first mapped window whose title holds `part` (UTF-8).
    std::optional<unsigned long> FindWindow(const std::string& part);
    std::string Title(unsigned long window);
    // The window's pixels as they are on the screen; null when unmapped.
    QImage Grab(unsigned long window);

  private:
    std::optional<unsigned long> Search(unsigned long window, const std::string& part, int depth);
    Display* display_ = nullptr;
};

enum class Lamp { Lit, Unlit, Unknown };
// The connection lamp in the bottom strip of the main window's picture.
Lamp LampOf(const QImage& window);
// Pure white pixels in the lower part of the right-hand page of the form,
// where only the RT-221's address-code boxes are.
int WhiteOnPage(const QImage& window);

}  // namespace korvane::testing
