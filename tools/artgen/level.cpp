// The ten level pictures: a white panel with nine bars, of which the bottom `lit` glow.
#include "pictures.h"

#include <array>

namespace artgen {

namespace {

constexpr double width = 43, height = 128;

// First fill row of each bar, top to bottom. The gap under the third bar is one row wider.
constexpr std::array<int, 9> fillTop{17, 28, 39, 51, 62, 73, 84, 95, 106};
constexpr int fillRows = 7;
constexpr double fillLeft = 3, fillRight = 32; // fill columns 3..31; the edge adds one each side

// Green of a lit bar, lowest and highest, top bar first: yellow at the top, red-orange below.
constexpr std::array<std::array<double, 2>, 9> litGreen{{
    {229, 233},
    {212, 218},
    {196, 203},
    {181, 189},
    {164, 172},
    {148, 156},
    {132, 140},
    {117, 124},
    {99, 108},
}};

// Where the light catches a lit bar, 0 (bottom of the range) to 1 (top), down its height t in
// 0..1: brightest a third of the way down, darkest at the bottom, like a rounded glossy slat.
double litProfile(double t) {
    constexpr double peak = 0.3;
    if (t < peak) {
        double u = (peak - t) / peak;
        return 1 - 0.5 * u * u;
    }
    double u = (t - peak) / (1 - peak);
    return 1 - u * u;
}

Rgb litFill(int bar, double t) {
    double lo = litGreen[bar][0], hi = litGreen[bar][1];
    return {254, lo + (hi - lo) * litProfile(t), 0};
}

// An unlit bar is a dark olive-to-red-brown; its middle row is the reference colour and the rows
// above and below it are a little lighter and darker, so it still reads as a slat.
Rgb unlitFill(int bar, double t) {
    double green = 59 + (26 - 59) * bar / 8.0;
    Rgb mid{64, std::floor(green + 0.5), 0};
    constexpr double midTop = 3.0 / 7, midBottom = 4.0 / 7;
    double k = 1;
    if (t < midTop) k = 1 + 0.25 * (midTop - t) / midTop;
    if (t > midBottom) k = 1 - 0.25 * (t - midBottom) / (1 - midBottom);
    return scaled(mid, k);
}

Rgb edgeOf(Rgb fill, bool lit) {
    return lit ? Rgb{fill.r * 0.80, fill.g * 0.74, 0} : scaled(fill, 0.62);
}

auto everywhere = [](double, double) { return true; };

void drawShadows(Canvas& c) {
    // Light from the upper left: each bar casts a shadow one pixel down and to the right, and
    // a long one across the strip x 33..41 that fades out before the frame.
    constexpr double strength = 0.25, soft = 0.75, stripEnd = 41;
    auto shadowAt = [&](double x, double y) {
        double best = 0;
        for (int top : fillTop) {
            double sTop = top, sBottom = top + fillRows + 2; // the bar, one row lower
            double fy = 1;
            if (y < sTop) fy = clamp01(1 - (sTop - y) / soft);
            if (y > sBottom) fy = clamp01(1 - (y - sBottom) / soft);
            double fx = x < fillLeft ? 0 : x < 33 ? 1 : clamp01((stripEnd - x) / (stripEnd - 33));
            best = std::max(best, fy * fx);
        }
        return Paint{{0, 0, 0}, strength * best};
    };
    c.paint({0, 1, width - 1, height - 1}, everywhere, shadowAt);
}

void drawBar(Canvas& c, int bar, bool lit) {
    double top = fillTop[bar];
    auto fillAt = [&](double y) {
        double t = clamp01((y - top) / fillRows);
        return lit ? litFill(bar, t) : unlitFill(bar, t);
    };
    auto edge = [&](double x, double y) {
        (void)x;
        return Paint{edgeOf(fillAt(y), lit)};
    };
    auto fill = [&](double x, double y) {
        (void)x;
        return Paint{fillAt(y)};
    };
    c.paint({fillLeft - 1, top - 1, fillRight + 1, top + fillRows + 1}, everywhere, edge);
    c.paint({fillLeft, top, fillRight, top + fillRows}, everywhere, fill);
}

void drawFrame(Canvas& c) {
    // Top, bottom and right: with a battery picture on the left, whose own frame has the top,
    // bottom and left, the two make one closed line round the gauge.
    auto black = [](double, double) { return Paint{{0, 0, 0}}; };
    c.paint({0, 0, width, 1}, everywhere, black);
    c.paint({0, height - 1, width, height}, everywhere, black);
    c.paint({width - 1, 0, width, height}, everywhere, black);
}

} // namespace

Canvas renderLevel(int lit, int scale) {
    Canvas c(int(width) * scale, int(height) * scale, scale, Paint{{255, 255, 255}});
    drawShadows(c);
    for (int bar = 0; bar < 9; ++bar)
        drawBar(c, bar, bar >= 9 - lit);
    drawFrame(c);
    return c;
}

} // namespace artgen
