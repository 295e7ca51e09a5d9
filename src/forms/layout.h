// Where windowless controls are on screen, for every native runtime: twips to pixels at a
// resolution, which picture set to draw from, which control the mouse is over, and which press
// and release make a click. A runtime that draws logical pixels (Qt) asks at 96 dpi; one that
// draws device pixels (Win32) at the system's DPI.
#pragma once

#include "forms/model.h"

namespace sorvane::forms {

inline constexpr int twipsPerInch = 1440;
inline constexpr int baseDpi = 96; // the resolution the program's twips were laid out at

// Nearest pixel, halves away from zero, as MulDiv rounds.
int twipsToPixels(Twips twips, int dpi);
// A distance in pixels as the twips handlers receive in their mouse arguments.
float pixelsToTwips(int pixels, int dpi);

// 1 or 2: the picture set drawn at `dpi`. The 1x set up to 96 dpi; above it the 2x set, which
// is drawn for 192 dpi and, made smaller, keeps more of the artwork than the 1x set made larger.
int pictureScale(int dpi);
// The same for a device scale factor (1.25 for 120 dpi).
int pictureScaleForDeviceScale(double scale);

struct PixelRect {
    int left, top, width, height;
    bool contains(int x, int y) const {
        return x >= left && y >= top && x < left + width && y < top + height;
    }
    bool operator==(const PixelRect&) const = default;
};

PixelRect pixelRect(const Control& control, int dpi);

// Where an image control draws its picture: the picture's place and natural size at 96 dpi, each
// edge scaled to the DPI. Pictures that meet at 96 dpi meet at any DPI; rounding each control's
// twips on their own would leave a column of background between the battery and the level
// pictures at 120 or 192 dpi.
PixelRect pictureRect(const Control& control, const Picture& picture, int dpi);

// The topmost windowless control (image or label) under a point of the window's client area,
// or null. The scroll bar is a native child window: it gets its own mouse input.
Control* controlAt(const Window& window, int x, int y, int dpi);

// The mouse arguments of a move over `control`, the point in window pixels.
MouseArgs mouseArgs(const Control& control, int x, int y, int dpi, int buttons, int shift);

// Pairs a left-button press with its release: a click is a press and a release over the same
// control. The pressed control is forgotten when the button is taken elsewhere (a window move).
class ClickPairing {
  public:
    // Returns the control pressed, or null.
    Control* press(const Window& window, int x, int y, int dpi);
    // Returns the control to click, or null.
    Control* release(const Window& window, int x, int y, int dpi);
    void cancel() { pressed_ = nullptr; }
    Control* pressed() const { return pressed_; }

  private:
    Control* pressed_ = nullptr;
};

} // namespace sorvane::forms
