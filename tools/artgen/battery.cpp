// The battery: an upright glossy cylinder seen slightly from above. Drawn in the coordinates of
// the 85 x 128 battery picture and placed on any canvas by an affine map, so the same drawing
// makes the two battery pictures, their 2x versions and the icon at every size.
#include "pictures.h"

namespace artgen {

namespace {

// The cylinder: side walls x 9..80, top face an ellipse over y 10..48, and three bands whose
// lower edges follow the same ellipse curvature (given here by where they cross the middle).
constexpr double cx = 44.5, rx = 35.5, ry = 19;
constexpr double topCy = 29;          // top face, y 10..48
constexpr double splitCy = 85 - ry;   // yellow above, metal below; 85 in the middle
constexpr double rimCy = 114 - ry;    // dark red bottom rim from 114 in the middle ...
constexpr double bottomCy = 120 - ry; // ... down to 120
constexpr double left = cx - rx, span = 2 * rx;

// Horizontal position across the cylinder, 0 at the left wall, 1 at the right.
double across(double x) {
    return (x - left) / span;
}
double curve(double x) {
    return ellipseHalfHeight(x - cx, rx, ry);
}

Rgb upperBody(double u) {
    return ramp({{0.00, hex(0xFEF300)},
                 {0.12, hex(0xFEF34C)},
                 {0.25, hex(0xFEF398)},
                 {0.40, hex(0xFEE200)},
                 {0.68, hex(0xFEB000)},
                 {1.00, hex(0xFE6D00)}},
                u);
}

Rgb lowerBody(double u) {
    return ramp({{0.00, hex(0xB4B4B4)},
                 {0.12, hex(0xDCDCDC)},
                 {0.25, hex(0xF8F8F8)},
                 {0.45, hex(0xCFCFCF)},
                 {0.70, hex(0x8A8A8A)},
                 {0.88, hex(0x4C4C4C)},
                 {1.00, hex(0x252525)}},
                u);
}

Rgb bottomRim(double u) {
    return ramp({{0.00, hex(0x9C1400)},
                 {0.25, hex(0xD03418)},
                 {0.55, hex(0xB01600)},
                 {1.00, hex(0x600A00)}},
                u);
}

Rgb topRim(double u) {
    return ramp({{0.00, hex(0xFFA640)}, {0.30, hex(0xF88A10)}, {1.00, hex(0xD85800)}}, u);
}

Rgb metalCap(double u) {
    return ramp({{0.00, hex(0xF6F6F6)}, {0.25, hex(0xE8E8E8)}, {1.00, hex(0x606060)}}, u);
}

Rgb outlineAt(double y) {
    return mix(hex(0xE16600), hex(0xC03000), clamp01((y - 10) / 110));
}

constexpr Rgb cream = hex(0xFEF9DD);

// Upper right point, left edge at mid-height, then a narrower spike to the lower left point.
const std::vector<Point> boltShape{
    {51.95, 50.4}, {26.0, 72.0}, {26.0, 76.0}, {37.2, 74.3}, {30.6, 99.95}, {47.2, 69.2},
};

} // namespace

void drawBattery(Canvas& c, const BatteryPlacement& at, bool bolt) {
    // Shapes and shades are written in battery units; `B` maps them onto the canvas.
    auto B = [&](auto f) {
        return [=](double u, double v) { return f((u - at.ox) / at.sx, (v - at.oy) / at.sy); };
    };
    auto box = [&](double x0, double y0, double x1, double y1) {
        return Box{at.ox + x0 * at.sx, at.oy + y0 * at.sy, at.ox + x1 * at.sx, at.oy + y1 * at.sy};
    };
    const Box whole = box(9, 10, 80, 122);
    const double ix = at.outline / at.sx, iy = at.outline / at.sy;

    auto silhouette = [](double insetX, double insetY) {
        return [=](double x, double y) {
            double a = rx - insetX, b = ry - insetY;
            return inEllipse(x, y, cx, topCy, a, b) || inEllipse(x, y, cx, bottomCy, a, b) ||
                   (x > cx - a && x < cx + a && y >= topCy && y <= bottomCy);
        };
    };
    auto solid = [](Rgb (*f)(double)) {
        return [=](double x, double) { return Paint{f(across(x))}; };
    };

    if (at.groundShadow) {
        constexpr double gx = 44.5, gy = 116.5, grx = 31, gry = 5.5;
        c.paint(box(9, 110, 80, 122),
                B([](double x, double y) { return inEllipse(x, y, gx, gy, grx, gry); }),
                B([](double x, double y) {
                    double dx = (x - gx) / grx, dy = (y - gy) / gry;
                    double k = clamp01(1 - dx * dx - dy * dy);
                    return Paint{{40, 20, 10}, 0.35 * k * k};
                }));
    }

    auto body = silhouette(0, 0);
    c.paint(whole, B(body), B(solid(bottomRim)));
    c.paint(whole, B([=](double x, double y) { return body(x, y) && y < rimCy + curve(x); }),
            B(solid(lowerBody)));
    c.paint(whole, B([=](double x, double y) { return body(x, y) && y < splitCy + curve(x); }),
            B(solid(upperBody)));
    // A fine shadow line where the yellow jacket ends, and a glint where the rim begins.
    c.paint(box(9, splitCy - 1, 80, splitCy + ry + 1), B([=](double x, double y) {
                double d = y - (splitCy + curve(x));
                return body(x, y) && d > -0.5 && d < 0.7;
            }),
            B([](double, double) {
                return Paint{hex(0x8A4A00), 0.45};
            }));
    c.paint(box(9, rimCy - 1, 80, rimCy + ry + 1), B([=](double x, double y) {
                double d = y - (rimCy + curve(x));
                return body(x, y) && d > 0 && d < 0.8;
            }),
            B([](double x, double) {
                double u = across(x);
                return Paint{{255, 255, 255}, 0.35 * clamp01(1 - 2 * (u - 0.25) * (u - 0.25) * 8)};
            }));

    // Top face: orange rim round a metal cap, with the terminal in the middle.
    const Box face = box(9, 10, 80, 49), post = box(36, 20, 56, 36);
    c.paint(face, B([](double x, double y) { return inEllipse(x, y, cx, topCy, rx, ry); }),
            B(solid(topRim)));
    constexpr double capCy = topCy + 0.8, capRx = 29.5, capRy = 15;
    auto capRim = [](double x, double y) {
        return inEllipse(x, y, cx, capCy, capRx + 1, capRy + 1) &&
               !inEllipse(x, y, cx, capCy, capRx, capRy);
    };
    c.paint(face, B(capRim), B([](double, double y) {
                // The rim's inner wall: in shade at the back, catching light at the front.
                return Paint{mix(hex(0xA04000), hex(0xFFC070), clamp01((y - 14) / 30)), 0.9};
            }));
    c.paint(face, B([](double x, double y) { return inEllipse(x, y, cx, capCy, capRx, capRy); }),
            B([](double x, double y) {
                double u = (x - (cx - capRx)) / (2 * capRx);
                double v = (y - (capCy - capRy)) / (2 * capRy);
                return Paint{mix(metalCap(u), hex(0xFFFFFF), 0.25 * clamp01(1 - 2 * v))};
            }));

    constexpr double tRx = 6.5, tRy = 3.2, tTop = 25.5, tBottom = 29.5;
    auto terminal = [](double x, double y) {
        return inEllipse(x, y, cx, tTop, tRx, tRy) || inEllipse(x, y, cx, tBottom, tRx, tRy) ||
               (x > cx - tRx && x < cx + tRx && y >= tTop && y <= tBottom);
    };
    c.paint(post, B([](double x, double y) {
                return inEllipse(x, y, cx + 2.5, tBottom + 1.2, tRx + 1, tRy + 1);
            }),
            B([](double, double) {
                return Paint{{20, 20, 20}, 0.22};
            }));
    c.paint(
        whole, B(terminal), B([](double x, double) {
            double u = (x - (cx - tRx)) / (2 * tRx);
            return Paint{ramp({{0, hex(0xD0D0D0)}, {0.3, hex(0xFFFFFF)}, {1, hex(0x505050)}}, u)};
        }));
    c.paint(post, B([](double x, double y) { return inEllipse(x, y, cx, tTop, tRx, tRy); }),
            B([](double x, double) {
                double u = (x - (cx - tRx)) / (2 * tRx);
                return Paint{ramp({{0, hex(0xFFFFFF)}, {1, hex(0xA0A0A0)}}, u)};
            }));
    c.paint(post, B([=](double x, double y) {
                double a = at.outline * 0.6 / at.sx, b = at.outline * 0.6 / at.sy;
                return terminal(x, y) &&
                       !(inEllipse(x, y, cx, tTop, tRx - a, tRy - b) ||
                         inEllipse(x, y, cx, tBottom, tRx - a, tRy - b) ||
                         (x > cx - tRx + a && x < cx + tRx - a && y >= tTop && y <= tBottom));
            }),
            B([](double, double) {
                return Paint{hex(0x3A3A3A), 0.7};
            }));

    // The outline: round the whole cylinder, and along the front of the top face.
    auto inner = silhouette(ix, iy);
    c.paint(whole, B([=](double x, double y) { return body(x, y) && !inner(x, y); }),
            B([](double, double y) { return Paint{outlineAt(y)}; }));
    c.paint(face, B([=](double x, double y) {
                return inEllipse(x, y, cx, topCy, rx, ry) &&
                       !inEllipse(x, y, cx, topCy, rx - ix, ry - iy) && y > topCy;
            }),
            B([](double, double y) { return Paint{outlineAt(y)}; }));

    if (bolt) {
        // A faint golden edge keeps the pale bolt readable where it crosses the pale highlight
        // and the light metal. It lies inside the bolt's outline, so the bolt keeps its extent.
        const double edge = at.boltEdge / std::min(at.sx, at.sy);
        Box bounds{1e9, 1e9, -1e9, -1e9};
        for (const Point& p : boltShape)
            bounds = {std::min(bounds.x0, p.x), std::min(bounds.y0, p.y), std::max(bounds.x1, p.x),
                      std::max(bounds.y1, p.y)};
        const Box area = box(bounds.x0, bounds.y0, bounds.x1, bounds.y1);
        c.paint(area, B([](double x, double y) { return inPolygon(boltShape, x, y); }),
                B([](double, double) { return Paint{hex(0xE89A30)}; }));
        c.paint(area, B([=](double x, double y) {
                    return inPolygon(boltShape, x, y) &&
                           distanceToPolygonEdge(boltShape, x, y) > edge;
                }),
                B([](double, double) { return Paint{cream}; }));
    }
}

} // namespace artgen
