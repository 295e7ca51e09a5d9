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

// The program's pop-up menus (override-redirect windows of its class), viewable ones.
std::vector<Window> popups(GaugeDesk& desk);
// Opens the options menu and chooses the n-th entry (1-based), and the k-th of its sub-menu.
bool choose(GaugeDesk& desk, Window gauge, int n, int k = 0);
// Waits for a message box of this title and answers it with `key` (Return: the default).
bool answer(GaugeDesk& desk, const std::string& title, unsigned long key = XK_Return);

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
