#include "recall_watcher/recall_watcher.h"

#include "battery/reminder.h"
#include "gauge_window/mod_opacite.h"
#include "program/program.h"

namespace sorvane::recall_watcher {

using namespace win;

namespace {
constexpr BYTE recallAlpha = 250;

void raiseGauge(Program& p) {
    p.os.SetWindowPos(p.Main.hWnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void recallGauge(Program& p) {
    p.rt.Load(p.Main);
    gauge_window::mod_opacite::AppliqueOpacite(p.os, p.Main.hWnd(), true, recallAlpha);
    // The slider then shows the opacity given back (its change handler applies it once more).
    p.Main.HScroll1.setValue(recallAlpha);
    p.F8.verif.Enabled = false;
    p.Main.Show();
    raiseGauge(p);
}
} // namespace

void Form_Load(Program& p) {
    gauge_window::mod_opacite::AppliqueOpacite(p.os, p.F8.hWnd(), true, 0);
    p.F8.Width = 0;
    p.F8.Height = 0;
    p.F8.Top = 1000;
    p.rt.Load(p.Main);
    raiseGauge(p);
}

void verif_Timer(Program& p) {
    if (p.state.NiveauBarres > p.state.BarresRappel) return;
    recallGauge(p);
    battery::Beep_effet(p);
}

// Also when the gauge is shown: F8 then just resets its opacity and raises it again.
void touche_Timer(Program& p) {
    if (p.os.GetAsyncKeyState(VK_F8) == 0) return;
    recallGauge(p);
}

} // namespace sorvane::recall_watcher
