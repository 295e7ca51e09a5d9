// mod_opacite: every change of a window's opacity goes through here.
#pragma once

#include "platform/os_services.h"

namespace sorvane {
struct Program;
}

namespace sorvane::gauge_window::mod_opacite {
// Makes the window layered (or not) and draws it whole with the constant `alpha`.
void AppliqueOpacite(win::OsServices& os, win::HWND window, bool layered, win::BYTE alpha);
} // namespace sorvane::gauge_window::mod_opacite

namespace sorvane::gauge_window {
void HScroll1_Change(Program& p);
} // namespace sorvane::gauge_window
