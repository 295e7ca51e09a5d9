#include "forms/layout.h"

#include <utility>

namespace sorvane::forms {

namespace {
// n * dpi / per, nearest, halves away from zero.
int scaleRounded(long long n, int dpi, int per) {
    const long long scaled = n * dpi;
    return static_cast<int>(scaled >= 0 ? (scaled + per / 2) / per : -((-scaled + per / 2) / per));
}
} // namespace

int twipsToPixels(Twips twips, int dpi) {
    return scaleRounded(twips, dpi, twipsPerInch);
}

float pixelsToTwips(int pixels, int dpi) {
    return static_cast<float>(pixels) * twipsPerInch / static_cast<float>(dpi);
}

int pictureScale(int dpi) {
    return dpi > baseDpi ? 2 : 1;
}

int pictureScaleForDeviceScale(double scale) {
    return pictureScale(static_cast<int>(scale * baseDpi + 0.5));
}

PixelRect pixelRect(const Control& c, int dpi) {
    return {twipsToPixels(c.Left, dpi), twipsToPixels(c.Top, dpi), twipsToPixels(c.Width, dpi),
            twipsToPixels(c.Height, dpi)};
}

PixelRect pictureRect(const Control& c, const Picture& picture, int dpi) {
    const int left = twipsToPixels(c.Left, baseDpi);
    const int top = twipsToPixels(c.Top, baseDpi);
    const int x0 = scaleRounded(left, dpi, baseDpi), y0 = scaleRounded(top, dpi, baseDpi);
    return {x0, y0, scaleRounded(left + picture.width, dpi, baseDpi) - x0,
            scaleRounded(top + picture.height, dpi, baseDpi) - y0};
}

Control* controlAt(const Window& window, int x, int y, int dpi) {
    const auto& controls = window.controls();
    for (auto it = controls.rbegin(); it != controls.rend(); ++it) {
        Control* c = *it;
        if (c->kind() == ControlKind::HScrollBar) continue;
        if (pixelRect(*c, dpi).contains(x, y)) return c;
    }
    return nullptr;
}

MouseArgs mouseArgs(const Control& control, int x, int y, int dpi, int buttons, int shift) {
    const PixelRect r = pixelRect(control, dpi);
    MouseArgs a;
    a.Button = buttons;
    a.Shift = shift;
    a.X = pixelsToTwips(x - r.left, dpi);
    a.Y = pixelsToTwips(y - r.top, dpi);
    return a;
}

Control* ClickPairing::press(const Window& window, int x, int y, int dpi) {
    pressed_ = controlAt(window, x, y, dpi);
    return pressed_;
}

Control* ClickPairing::release(const Window& window, int x, int y, int dpi) {
    Control* down = std::exchange(pressed_, nullptr);
    return down && controlAt(window, x, y, dpi) == down ? down : nullptr;
}

} // namespace sorvane::forms
