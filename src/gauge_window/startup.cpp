#include "gauge_window/startup.h"

#include "battery/etat_batterie.h"
#include "program/program.h"
#include "gauge_window/mod_opacite.h"

namespace sorvane::gauge_window {

using namespace win;

void Form_Load(Program& p) {
    auto& M = p.Main;
    auto& s = p.state;

    mod_opacite::AppliqueOpacite(p.os, M.hWnd(), true, 200);
    // Loads the watcher, whose load handler makes the gauge topmost before we go on.
    p.F8.setVisible(true);
    M.Width = 1920;
    M.Left = 25;
    M.Top = 500;
    {
        // No handler may run during the entrance, whether or not a backend pumps events in it.
        platform::Dispatcher::Suppress duringEntrance(p.rt.dispatcher());
        p.os.AnimateWindow(M.hWnd(), 5000, AW_CENTER);
    }
    M.ImgBat.Picture = M.ImgBat9.Picture;
    M.HScroll1.Left = 690;
    M.HScroll1.Top = 10;
    s.NiveauBarres = 9;
    battery::EtatBatterie(p);
    s.IconbureauChange = 0;
    s.IconbureauOn = 1;
    s.BeepOn = 1;
    s.QuestionPosee = 0;
    M.temps.Left = 240;
    M.temps.Top = 1320;
    // Blank until the first reminder tick takes a reading again.
    M.temps.Caption = "";
}

} // namespace sorvane::gauge_window
