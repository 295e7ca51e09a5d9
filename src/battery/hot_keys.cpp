#include "battery/hot_keys.h"

#include "forms/program.h"
#include "options_menu/menu_commands.h"

namespace sorvane::Main {

using namespace win;

namespace {
// The menu window carries the check marks the toggles read: it is loaded, never shown, on the
// first press, even before the options button was ever clicked.
bool appuyee(Program& p, int touche) {
    if (p.os.GetAsyncKeyState(touche) == 0) return false;
    p.rt.Load(p.menu);
    return true;
}
} // namespace

void Timer1_Timer(Program& p) {
    // A key held down is seen at every tick, so a long press toggles once per tick.
    if (appuyee(p, VK_F7)) menu::Iconbureau_Click(p);
    if (appuyee(p, VK_F6)) menu::Taskbar_Click(p);
    if (appuyee(p, VK_F5)) menu::ckd_beep_Click(p);
}

} // namespace sorvane::Main
