#include "battery/hot_keys.h"

#include "options_menu/menu_commands.h"
#include "program/program.h"

namespace sorvane::battery {

using namespace win;

namespace {
// The menu window carries the check marks the toggles read: it is loaded, never shown, on the
// first press, even before the options button was ever clicked.
bool pressed(Program& p, int vKey) {
    if (p.os.GetAsyncKeyState(vKey) == 0) return false;
    p.rt.Load(p.menu);
    return true;
}
} // namespace

void Timer1_Timer(Program& p) {
    // A key held down is seen at every tick, so a long press toggles once per tick.
    if (pressed(p, VK_F7)) options_menu::Iconbureau_Click(p);
    if (pressed(p, VK_F6)) options_menu::Taskbar_Click(p);
    if (pressed(p, VK_F5)) options_menu::ckd_beep_Click(p);
}

} // namespace sorvane::battery
