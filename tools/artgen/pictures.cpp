// The battery pictures with their frame, the two buttons and the icon; the level pictures are in
// level.cpp and the battery drawing itself in battery.cpp.
#include "pictures.h"

namespace artgen {

using sorvane::forms::PictureId;

namespace {

auto everywhere = [](double, double) { return true; };
constexpr Paint white{{255, 255, 255}};

Canvas renderBattery(bool bolt, int scale) {
    Canvas c(85 * scale, 128 * scale, scale, white);
    drawBattery(c, BatteryPlacement{}, bolt);
    // Top, bottom and left: the level picture to the right closes the frame.
    auto black = [](double, double) { return Paint{{0, 0, 0}}; };
    c.paint({0, 0, 85, 1}, everywhere, black);
    c.paint({0, 127, 85, 128}, everywhere, black);
    c.paint({0, 0, 1, 128}, everywhere, black);
    return c;
}

Canvas renderClose(int scale) {
    Canvas c(17 * scale, 17 * scale, scale, white);
    const Box all{0, 0, 17, 17};
    // Glossy red: dull and pinkish where the light falls at the top, vivid below.
    c.paint(all, everywhere, [](double, double y) {
        return Paint{ramp({{0, hex(0xD06A74)}, {7, hex(0xE03C44)}, {17, hex(0xFF1A10)}}, y)};
    });
    // Bevel: lit top and left edge, shaded bottom and right edge.
    c.paint(
        all, [](double x, double y) { return x < 1 || y < 1; },
        [](double, double) {
            return Paint{{255, 230, 230}, 0.45};
        });
    c.paint(
        all, [](double x, double y) { return x >= 16 || y >= 16; },
        [](double, double) {
            return Paint{{110, 0, 0}, 0.55};
        });
    // The power symbol: a thin ring almost as wide as the square, and a short bar inside.
    c.paint(
        all,
        [](double x, double y) {
            double dx = x - 8.5, dy = y - 8.5, d2 = dx * dx + dy * dy;
            return d2 >= 6.45 * 6.45 && d2 < 7.55 * 7.55;
        },
        [](double, double) { return white; });
    c.paint({8, 5, 9, 12}, everywhere, [](double, double) { return white; });
    return c;
}

Canvas renderOptions(int scale) {
    Canvas c(16 * scale, 10 * scale, scale, white);
    const Box all{0, 0, 16, 10};
    auto pill = [](double inset) {
        return [=](double x, double y) {
            double dx = x < 5 ? x - 5 : x > 11 ? x - 11 : 0, dy = y - 5, r = 5 - inset;
            return dx * dx + dy * dy < r * r;
        };
    };
    c.paint(all, pill(0), [](double, double) { return Paint{hex(0xC89400)}; });
    c.paint(all, pill(1), [](double, double y) {
        return Paint{ramp({{1, hex(0xFFF070)}, {4, hex(0xFFE21A)}, {9, hex(0xE8B000)}}, y)};
    });
    // Bevel: a highlight along the upper inside edge.
    auto upperEdge = [p = pill(1), q = pill(1.7)](double x, double y) {
        return y < 4 && p(x, y) && !q(x, y);
    };
    c.paint(all, upperEdge, [](double, double) { return Paint{{255, 255, 235}, 0.6}; });
    // The cream middle band between two darker yellow lines.
    c.paint({3, 3, 13, 4}, everywhere, [](double, double) { return Paint{hex(0xE0A800)}; });
    c.paint({3, 6, 13, 7}, everywhere, [](double, double) { return Paint{hex(0xE0A800)}; });
    c.paint({3, 4, 13, 6}, everywhere, [](double, double) { return Paint{hex(0xFFF6CC)}; });
    return c;
}

} // namespace

Canvas renderIcon(int size) {
    Canvas c(size, size, size / 32.0, Paint{{0, 0, 0}, 0});
    // A chunkier battery than the picture's, filling the 32-unit square.
    BatteryPlacement at;
    at.sx = 23.0 / 71;
    at.sy = 31.0 / 110;
    at.ox = 4.5 - 9 * at.sx;
    at.oy = 0.5 - 10 * at.sy;
    // Lines about a pixel wide when small, proportionate when large.
    const double unitsPerPixel = 32.0 / size;
    at.outline = std::max(unitsPerPixel, 0.6);
    at.boltEdge = std::max(0.6 * unitsPerPixel, 0.35);
    at.groundShadow = false;
    drawBattery(c, at, true);
    return c;
}

Canvas renderPicture(PictureId id, int scale) {
    switch (id) {
    case PictureId::PileOn:
        return renderBattery(false, scale);
    case PictureId::PileOff:
        return renderBattery(true, scale);
    case PictureId::Fermer:
        return renderClose(scale);
    case PictureId::Options:
        return renderOptions(scale);
    case PictureId::Icon:
        return renderIcon(32 * scale);
    default:
        return renderLevel(static_cast<int>(id) - static_cast<int>(PictureId::Level0), scale);
    }
}

} // namespace artgen
