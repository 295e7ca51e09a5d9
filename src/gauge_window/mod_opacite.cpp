#include "gauge_window/mod_opacite.h"

#include "program/program.h"

namespace sorvane::gauge_window::mod_opacite {

using namespace win;

void AppliqueOpacite(OsServices& os, HWND window, bool layered, BYTE alpha) {
    LONG style = os.GetWindowLongA(window, GWL_EXSTYLE);
    if (layered)
        style |= WS_EX_LAYERED;
    else
        style &= static_cast<LONG>(0xFFF7FFFFu);
    os.SetWindowLongA(window, GWL_EXSTYLE, style);
    // The alpha is set whatever the flag: a window that is not layered simply ignores it.
    os.SetLayeredWindowAttributes(window, 0, alpha, LWA_ALPHA);
}

} // namespace sorvane::gauge_window::mod_opacite

namespace sorvane::gauge_window {

void HScroll1_Change(Program& p) {
    // The slider's range (50..255) keeps the value inside a byte.
    mod_opacite::AppliqueOpacite(p.os, p.Main.hWnd(), true,
                                 static_cast<win::BYTE>(p.Main.HScroll1.Value()));
}

} // namespace sorvane::gauge_window
