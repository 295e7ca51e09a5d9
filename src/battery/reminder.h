#pragma once

namespace sorvane {
struct Program;
}

namespace sorvane::battery {
// Once a second: a fresh reading, the no-battery question, the low-battery blink.
void rappel_Timer(Program& p);
// The five-tone warning, only while the beep option is on.
void Beep_effet(Program& p);
} // namespace sorvane::battery
