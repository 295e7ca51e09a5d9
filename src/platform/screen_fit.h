// Keeping a window within reach when the screens change under it: the rule every backend
// applies, in the desktop's pixels.
#pragma once

#include <optional>
#include <vector>

namespace sorvane::platform {

struct ScreenRect {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const ScreenRect&) const = default;
};

struct Monitor {
    ScreenRect bounds;
    ScreenRect workArea; // the bounds less the panels' reserved edges
};

// Where `window` must go so that all of it can be seen and grabbed again. nullopt while all of
// it is on screen (on one monitor or across several), or when there is no monitor to go to.
// Otherwise it goes inside the work area of the nearest monitor (the one it overlaps most, else
// the closest), moved as little as can be; a window larger than that area keeps its top-left
// corner (with its buttons) inside.
std::optional<ScreenRect> keepReachable(const ScreenRect& window,
                                        const std::vector<Monitor>& monitors);

} // namespace sorvane::platform
