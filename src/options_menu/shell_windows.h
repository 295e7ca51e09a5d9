// Hiding and showing the shell's taskbar and desktop-icons window. Each window is looked up
// afresh at every call, and nothing is checked: a missing shell makes every call a silent no-op.
#pragma once

namespace sorvane {
struct Program;
}

namespace sorvane::options_menu {
void HideTaskbar(Program& p);
void UnhideTaskbar(Program& p);
void HideIconbureau(Program& p);
void UnhideIconbureau(Program& p);
} // namespace sorvane::options_menu
