#pragma once

namespace sorvane {
struct Program;
}

namespace sorvane::battery {
// Reads the power status into the shared state and the time label.
void EtatBatterie(Program& p);
} // namespace sorvane::battery
