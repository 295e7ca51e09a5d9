// What a title bar would give the borderless gauge: moving, closing, the options menu.
#pragma once

#include "forms/model.h"

namespace sorvane {
struct Program;
}

namespace sorvane::gauge_window {
void Pile_MouseMove(Program& p, const forms::MouseArgs& a);
void ImgBat_MouseMove(Program& p, const forms::MouseArgs& a);
void temps_MouseMove(Program& p, const forms::MouseArgs& a);
void fermer_Click(Program& p);
void options_Click(Program& p);
} // namespace sorvane::gauge_window
