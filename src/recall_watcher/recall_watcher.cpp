#include "recall_watcher/recall_watcher.h"

#include "battery/reminder.h"
#include "forms/program.h"
#include "gauge_window/mod_opacite.h"

namespace sorvane::F8 {

using namespace win;

namespace {
constexpr BYTE opaciteRappel = 250;

void auPremierPlan(Program& p) {
    p.os.SetWindowPos(p.Main.hWnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void rappeler(Program& p) {
    p.rt.Load(p.Main);
    mod_opacite::AppliqueOpacite(p.os, p.Main.hWnd(), true, opaciteRappel);
    // The slider then shows the opacity given back (its change handler applies it once more).
    p.Main.HScroll1.setValue(opaciteRappel);
    p.F8.verif.Enabled = false;
    p.Main.Show();
    auPremierPlan(p);
}
} // namespace

void Form_Load(Program& p) {
    mod_opacite::AppliqueOpacite(p.os, p.F8.hWnd(), true, 0);
    p.F8.Width = 0;
    p.F8.Height = 0;
    p.F8.Top = 1000;
    p.rt.Load(p.Main);
    auPremierPlan(p);
}

void verif_Timer(Program& p) {
    if (p.state.NiveauBarres > p.state.BarresRappel) return;
    rappeler(p);
    Main::Beep_effet(p);
}

// Also when the gauge is shown: F8 then just resets its opacity and raises it again.
void touche_Timer(Program& p) {
    if (p.os.GetAsyncKeyState(VK_F8) == 0) return;
    rappeler(p);
}

} // namespace sorvane::F8
