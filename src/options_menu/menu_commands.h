// The click handlers of the options menu carried by the window `menu`.
#pragma once

namespace sorvane {
struct Program;
}

namespace sorvane::options_menu {
// Switches: the item's check mark is the truth the new flag is derived from.
void ckd_beep_Click(Program& p);
void Taskbar_Click(Program& p);
void Iconbureau_Click(Program& p);
// Hide the gauge until it shows this many bars or fewer, or until F8.
void unebarre_Click(Program& p);
void deuxbarre_Click(Program& p);
void troisbarre_Click(Program& p);
void quatresbarre_Click(Program& p);
void cinqbarre_Click(Program& p);
void sixbarre_Click(Program& p);
void septbarre_Click(Program& p);
void huitbarre_Click(Program& p);
// The about box; despite its name it does not quit.
void quitter_Click(Program& p);
void MessageRappel(Program& p);
} // namespace sorvane::options_menu
