#include "gauge_window/window_handling.h"

#include "program/program.h"

namespace sorvane::gauge_window {

using namespace win;

namespace {
// Hands the window to the system's move loop as if its caption had been pressed. Only with the
// left button down: started on a bare hover, the move would glue the gauge to the pointer until
// the next click.
void startDrag(Program& p, const forms::MouseArgs& a) {
    if ((a.Button & forms::vbLeftButton) == 0) return;
    p.os.ReleaseCapture();
    p.os.SendMessageA(p.Main.hWnd(), WM_NCLBUTTONDOWN, HTCAPTION, 0);
}
} // namespace

void Pile_MouseMove(Program& p, const forms::MouseArgs& a) {
    startDrag(p, a);
}

void ImgBat_MouseMove(Program& p, const forms::MouseArgs& a) {
    startDrag(p, a);
}

void temps_MouseMove(Program& p, const forms::MouseArgs& a) {
    startDrag(p, a);
}

// Ends at once: nothing is restored, so a hidden taskbar or desktop stays hidden.
void fermer_Click(Program& p) {
    p.rt.End();
}

void options_Click(Program& p) {
    // Created once and never shown: its check marks live as long as the program.
    p.rt.Load(p.menu);
    p.Main.PopupMenu(p.menu.menu);
}

} // namespace sorvane::gauge_window
