#pragma once

namespace sorvane {
struct Program;
}

namespace sorvane::gauge_window {
// Start-up of the program: the watcher, the gauge's opacity, place, entrance and defaults.
void Form_Load(Program& p);
} // namespace sorvane::gauge_window
