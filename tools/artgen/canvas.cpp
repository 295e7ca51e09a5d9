#include "canvas.h"

namespace artgen {

bool inPolygon(const std::vector<Point>& poly, double x, double y) {
    bool in = false;
    for (std::size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
        const Point& a = poly[i];
        const Point& b = poly[j];
        if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x) in = !in;
    }
    return in;
}

double distanceToPolygonEdge(const std::vector<Point>& poly, double x, double y) {
    double best = 1e300;
    for (std::size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
        const Point& a = poly[j];
        const Point& b = poly[i];
        double ex = b.x - a.x, ey = b.y - a.y;
        double t = clamp01(((x - a.x) * ex + (y - a.y) * ey) / (ex * ex + ey * ey));
        double dx = x - (a.x + t * ex), dy = y - (a.y + t * ey);
        best = std::min(best, dx * dx + dy * dy);
    }
    return std::sqrt(best);
}

Canvas::Canvas(int width, int height, double scale, Paint bg)
    : w_(width), h_(height), scale_(scale),
      px_(std::size_t(width) * std::size_t(height),
          Px{bg.c.r * bg.a, bg.c.g * bg.a, bg.c.b * bg.a, bg.a}) {}

void Canvas::over(int x, int y, Paint p, double coverage) {
    double a = p.a * coverage;
    Px& d = px_[index(x, y)];
    d.r = p.c.r * a + d.r * (1 - a);
    d.g = p.c.g * a + d.g * (1 - a);
    d.b = p.c.b * a + d.b * (1 - a);
    d.a = d.a == 1 ? 1 : a + d.a * (1 - a); // an opaque pixel stays exactly opaque
}

Rgb Canvas::colour(int x, int y) const {
    const Px& p = px_[index(x, y)];
    if (p.a <= 0) return {};
    return {p.r / p.a, p.g / p.a, p.b / p.a};
}

void Canvas::blit(const Canvas& src, int x, int y) {
    for (int sy = 0; sy < src.h_; ++sy) {
        for (int sx = 0; sx < src.w_; ++sx) {
            int dx = x + sx, dy = y + sy;
            if (dx < 0 || dy < 0 || dx >= w_ || dy >= h_) continue;
            over(dx, dy, Paint{src.colour(sx, sy), 1}, src.alpha(sx, sy));
        }
    }
}

std::vector<std::uint8_t> Canvas::rgbBytes() const {
    std::vector<std::uint8_t> out;
    out.reserve(px_.size() * 3);
    auto byte = [](double v) { return std::uint8_t(std::clamp(std::floor(v + 0.5), 0.0, 255.0)); };
    for (int y = 0; y < h_; ++y) {
        for (int x = 0; x < w_; ++x) {
            Rgb c = colour(x, y);
            out.push_back(byte(c.r));
            out.push_back(byte(c.g));
            out.push_back(byte(c.b));
        }
    }
    return out;
}

} // namespace artgen
