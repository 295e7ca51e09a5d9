#include "platform/screen_fit.h"

#include <algorithm>
#include <cstdint>

namespace sorvane::platform {
namespace {

std::int64_t overlap(const ScreenRect& a, const ScreenRect& b) {
    const std::int64_t w =
        std::min<std::int64_t>(a.x + a.width, b.x + b.width) - std::max(a.x, b.x);
    const std::int64_t h =
        std::min<std::int64_t>(a.y + a.height, b.y + b.height) - std::max(a.y, b.y);
    return w > 0 && h > 0 ? w * h : 0;
}

std::int64_t gap(int aStart, int aLength, int bStart, int bLength) {
    if (aStart + aLength <= bStart) return std::int64_t(bStart) - (aStart + aLength);
    if (bStart + bLength <= aStart) return std::int64_t(aStart) - (bStart + bLength);
    return 0;
}

// Whether every pixel of `w` lies on some monitor. Monitors may overlap (mirrored outputs), so
// the window is cut along every monitor edge and each piece checked.
bool wholeOnScreen(const ScreenRect& w, const std::vector<Monitor>& monitors) {
    std::vector<int> xs{w.x, w.x + w.width}, ys{w.y, w.y + w.height};
    for (const Monitor& m : monitors) {
        for (int x : {m.bounds.x, m.bounds.x + m.bounds.width})
            if (x > w.x && x < w.x + w.width) xs.push_back(x);
        for (int y : {m.bounds.y, m.bounds.y + m.bounds.height})
            if (y > w.y && y < w.y + w.height) ys.push_back(y);
    }
    std::sort(xs.begin(), xs.end());
    std::sort(ys.begin(), ys.end());
    for (std::size_t i = 0; i + 1 < xs.size(); ++i)
        for (std::size_t j = 0; j + 1 < ys.size(); ++j) {
            if (xs[i] == xs[i + 1] || ys[j] == ys[j + 1]) continue;
            const ScreenRect piece{xs[i], ys[j], xs[i + 1] - xs[i], ys[j + 1] - ys[j]};
            const bool covered =
                std::any_of(monitors.begin(), monitors.end(), [&](const Monitor& m) {
                    return overlap(piece, m.bounds) == std::int64_t(piece.width) * piece.height;
                });
            if (!covered) return false;
        }
    return true;
}

int clampInto(int start, int length, int areaStart, int areaLength) {
    if (length >= areaLength) return areaStart;
    return std::clamp(start, areaStart, areaStart + areaLength - length);
}

} // namespace

std::optional<ScreenRect> keepReachable(const ScreenRect& window,
                                        const std::vector<Monitor>& monitors) {
    if (monitors.empty() || window.width <= 0 || window.height <= 0) return std::nullopt;
    if (wholeOnScreen(window, monitors)) return std::nullopt;
    const Monitor* nearest = nullptr;
    std::int64_t bestOverlap = 0;
    double bestDistance = 0;
    for (const Monitor& m : monitors) {
        const std::int64_t o = overlap(window, m.bounds);
        const double dx = double(gap(window.x, window.width, m.bounds.x, m.bounds.width));
        const double dy = double(gap(window.y, window.height, m.bounds.y, m.bounds.height));
        const double distance = dx * dx + dy * dy;
        if (!nearest || o > bestOverlap ||
            (o == 0 && bestOverlap == 0 && distance < bestDistance)) {
            nearest = &m;
            bestOverlap = o;
            bestDistance = distance;
        }
    }
    const ScreenRect& area = nearest->workArea.width > 0 && nearest->workArea.height > 0
                                 ? nearest->workArea
                                 : nearest->bounds;
    ScreenRect moved = window;
    moved.x = clampInto(window.x, window.width, area.x, area.width);
    moved.y = clampInto(window.y, window.height, area.y, area.height);
    if (moved == window) return std::nullopt;
    return moved;
}

} // namespace sorvane::platform
