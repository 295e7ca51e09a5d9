#pragma once

namespace sorvane {
struct Program;
}

namespace sorvane::battery {
// The gauge refresh: pending shell requests, then the source and level pictures.
void changer_Timer(Program& p);
} // namespace sorvane::battery
