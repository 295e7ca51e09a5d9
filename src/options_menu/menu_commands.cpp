#include "options_menu/menu_commands.h"

#include "gauge_window/mod_opacite.h"
#include "program/program.h"

namespace sorvane::options_menu {

using namespace win;

namespace {
void toggle(forms::MenuItem& item, std::int16_t& option) {
    if (item.Checked) {
        option = 0;
        item.Checked = false;
    } else {
        option = 1;
        item.Checked = true;
    }
}

// Hiding is full transparency, never hiding the window: it keeps its place, its timers and
// its stacking, and the watcher can bring it back.
void hideUntilBars(Program& p, std::int16_t bars) {
    p.rt.Load(p.Main);
    gauge_window::mod_opacite::AppliqueOpacite(p.os, p.Main.hWnd(), true, 0);
    p.state.BarresRappel = bars;
    p.rt.Load(p.F8);
    p.F8.verif.Enabled = true;
    MessageRappel(p);
}
} // namespace

void ckd_beep_Click(Program& p) {
    toggle(p.menu.ckd_beep, p.state.BeepOn);
}

// The request is raised first; the next refresh tick carries it out with the option's value
// then, so several toggles between two ticks make one change.
void Taskbar_Click(Program& p) {
    p.state.TaskbarChange = 1;
    toggle(p.menu.Taskbar, p.state.TaskbarOn);
}

void Iconbureau_Click(Program& p) {
    p.state.IconbureauChange = 1;
    toggle(p.menu.Iconbureau, p.state.IconbureauOn);
}

void unebarre_Click(Program& p) {
    hideUntilBars(p, 1);
}
void deuxbarre_Click(Program& p) {
    hideUntilBars(p, 2);
}
void troisbarre_Click(Program& p) {
    hideUntilBars(p, 3);
}
void quatresbarre_Click(Program& p) {
    hideUntilBars(p, 4);
}
void cinqbarre_Click(Program& p) {
    hideUntilBars(p, 5);
}
void sixbarre_Click(Program& p) {
    hideUntilBars(p, 6);
}
void septbarre_Click(Program& p) {
    hideUntilBars(p, 7);
}
void huitbarre_Click(Program& p) {
    hideUntilBars(p, 8);
}

void quitter_Click(Program& p) {
    p.rt.MsgBox("Sorvane Par Quillet.", MB_OK);
}

void MessageRappel(Program& p) {
    p.rt.MsgBox("Pour réafficher le programme :: F8", MB_OK | MB_ICONINFORMATION, "Touche Rappel");
}

} // namespace sorvane::options_menu
