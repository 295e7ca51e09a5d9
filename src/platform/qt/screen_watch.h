// The gauge kept within reach of the user when the monitors change (RandR: a screen resized, a
// monitor unplugged, a panel's reserved edge changed), and when it is called back.
#pragma once

#include <functional>

class QWidget;

namespace sorvane::qt {

// Calls `changed` after any change of the screens or of their work areas.
void watchScreens(std::function<void()> changed);
// Moves the window inside the nearest monitor's work area when less than all of it is on screen.
// Returns whether it moved.
bool keepReachable(QWidget& window);

} // namespace sorvane::qt
