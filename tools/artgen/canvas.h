// A small supersampling painter. Shapes are described in "units" (one unit is one pixel of the
// picture at scale 1) and painted onto a pixel grid at any scale, so one drawing serves every
// size. Only +, -, *, / and sqrt are used anywhere, which IEEE 754 rounds exactly: the output
// is the same byte for byte on every conforming compiler.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace artgen {

// Channels are 0..255 doubles; rounding to bytes happens once, at the end.
struct Rgb {
    double r = 0, g = 0, b = 0;
};

// A colour with straight (not premultiplied) alpha in 0..1.
struct Paint {
    Rgb c;
    double a = 1;
};

constexpr Rgb hex(std::uint32_t v) {
    return {double((v >> 16) & 0xff), double((v >> 8) & 0xff), double(v & 0xff)};
}

inline Rgb mix(Rgb a, Rgb b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

inline Rgb scaled(Rgb c, double k) {
    return {c.r * k, c.g * k, c.b * k};
}

inline double clamp01(double t) {
    return std::clamp(t, 0.0, 1.0);
}

inline double smoothstep(double e0, double e1, double x) {
    double t = clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}

struct Stop {
    double at;
    Rgb c;
};

// Piecewise-linear colour ramp; t outside the stops takes the end colours.
inline Rgb ramp(std::initializer_list<Stop> stops, double t) {
    const Stop* s = stops.begin();
    if (t <= s->at) return s->c;
    for (const Stop* n = s + 1; n != stops.end(); s = n, ++n)
        if (t <= n->at) return mix(s->c, n->c, (t - s->at) / (n->at - s->at));
    return s->c;
}

// An axis-aligned box in units, [x0, x1) x [y0, y1).
struct Box {
    double x0, y0, x1, y1;
};

inline bool inEllipse(double x, double y, double cx, double cy, double rx, double ry) {
    double dx = (x - cx) / rx, dy = (y - cy) / ry;
    return dx * dx + dy * dy < 1;
}

// Half the height of an ellipse of radii rx, ry at horizontal offset dx from its centre.
inline double ellipseHalfHeight(double dx, double rx, double ry) {
    double t = dx / rx;
    return t * t >= 1 ? 0 : ry * std::sqrt(1 - t * t);
}

struct Point {
    double x, y;
};

// Even-odd rule.
bool inPolygon(const std::vector<Point>& poly, double x, double y);
double distanceToPolygonEdge(const std::vector<Point>& poly, double x, double y);

class Canvas {
  public:
    // A canvas of width x height pixels; `scale` pixels per unit. Starts filled with `bg`.
    Canvas(int width, int height, double scale, Paint bg);

    int width() const { return w_; }
    int height() const { return h_; }
    double scale() const { return scale_; }

    // Paints `shade(x, y)` (evaluated at each pixel's centre, in units) wherever `inside(x, y)`
    // holds, with coverage measured on an 8 x 8 grid of samples per pixel. Edges that fall on
    // pixel boundaries come out exactly crisp; everything else is anti-aliased.
    template <class Inside, class Shade> void paint(Box box, Inside&& inside, Shade&& shade);

    // Straight-alpha colour of a pixel, and its alpha.
    Rgb colour(int x, int y) const;
    double alpha(int x, int y) const { return px_[index(x, y)].a; }

    // Composites `src` over this canvas with its top-left corner at pixel (x, y).
    void blit(const Canvas& src, int x, int y);

    // Nearest bytes of the straight colour, 3 per pixel R, G, B, top-down rows.
    std::vector<std::uint8_t> rgbBytes() const;

  private:
    struct Px {
        double r, g, b, a; // premultiplied
    };
    std::size_t index(int x, int y) const { return std::size_t(y) * std::size_t(w_) + x; }
    void over(int x, int y, Paint p, double coverage);

    int w_, h_;
    double scale_;
    std::vector<Px> px_;
};

inline constexpr int samplesPerAxis = 8;

template <class Inside, class Shade> void Canvas::paint(Box box, Inside&& inside, Shade&& shade) {
    int px0 = std::max(0, int(std::floor(box.x0 * scale_)));
    int py0 = std::max(0, int(std::floor(box.y0 * scale_)));
    int px1 = std::min(w_, int(std::ceil(box.x1 * scale_)));
    int py1 = std::min(h_, int(std::ceil(box.y1 * scale_)));
    constexpr int n = samplesPerAxis;
    for (int py = py0; py < py1; ++py) {
        for (int px = px0; px < px1; ++px) {
            int hits = 0;
            for (int j = 0; j < n; ++j) {
                double sy = (py + (j + 0.5) / n) / scale_;
                for (int i = 0; i < n; ++i) {
                    double sx = (px + (i + 0.5) / n) / scale_;
                    if (inside(sx, sy)) ++hits;
                }
            }
            if (hits == 0) continue;
            Paint p = shade((px + 0.5) / scale_, (py + 0.5) / scale_);
            over(px, py, p, double(hits) / (n * n));
        }
    }
}

} // namespace artgen
