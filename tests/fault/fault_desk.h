// What the fault and security tests share: the gauge on a private desktop driven as a user
// would (menu, message boxes, keys), and a look at the processes a display holds.
#pragma once

#include "e2e/gauge_desk.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace sorvane::fault {

using namespace sorvane::e2e;
using namespace std::chrono_literals;

// The gauge window once mapped and fully revealed; 0 at the deadline.
Window waitForRevealedGauge(GaugeDesk& desk);

// Panels and desktops as the user sees them.
std::vector<Window> viewableOfType(Display* d, const std::string& type);
// tint2's own panel (openbox keeps a 1x1 dock of its own); 0 when there is none.
Window tint2Panel(Display* d);

// Whether the gauge's region shows any of its pictures (the level column or the battery).
bool gaugeShows(const Image& shot);
// The number of input-shape rectangles (0: clicks pass through).
int inputRectangles(Display* d, Window w);

// Processes whose environment names this display (the session's own and any left behind).
std::vector<pid_t> processesOnDisplay(const std::string& displayName);
// The executable of a process, "" once it is gone.
std::string exeOf(pid_t pid);
// Direct children of a process.
std::vector<pid_t> childrenOf(pid_t pid);

} // namespace sorvane::fault
