#pragma once

namespace sorvane {
struct Program;
}

namespace sorvane::battery {
// Polls F7, F6 and F5 system-wide; each press toggles its option as its menu item does.
void Timer1_Timer(Program& p);
} // namespace sorvane::battery
