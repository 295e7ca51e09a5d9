#include "battery/gauge_refresh.h"

#include "options_menu/shell_windows.h"
#include "program/program.h"

namespace sorvane::battery {

void changer_Timer(Program& p) {
    auto& s = p.state;
    auto& M = p.Main;

    if (s.IconbureauChange == 1) {
        // Re-showing the icons brings the taskbar back too, whatever TaskbarOn says.
        if (s.IconbureauOn == 1) {
            options_menu::UnhideIconbureau(p);
            options_menu::UnhideTaskbar(p);
        } else {
            options_menu::HideIconbureau(p);
        }
        s.IconbureauChange = 0;
    }
    if (s.TaskbarChange == 1) {
        if (s.TaskbarOn == 1)
            options_menu::UnhideTaskbar(p);
        else
            options_menu::HideTaskbar(p);
        s.TaskbarChange = 0;
    }

    // Assigned on every tick; re-assigning the picture already shown costs nothing.
    if (s.SourceTexte == secteur)
        M.Pile.Picture = M.PileOff.Picture;
    else if (s.SourceTexte == batterie)
        M.Pile.Picture = M.PileOn.Picture;

    const std::int16_t pourcent = s.Pourcent;
    if (pourcent < 5) {
        // The reminder blinks the picture below 5 %: leave it to it.
        s.NiveauBarres = 0;
    } else if (pourcent < 95) {
        // Level N covers 10·N − 5 to 10·N + 4 %. At 95 % and above the gauge keeps what it shows.
        const auto niveau = static_cast<std::int16_t>((pourcent + 5) / 10);
        s.NiveauBarres = niveau;
        M.ImgBat.Picture = M.ImgBatN(niveau).Picture;
    }
}

} // namespace sorvane::battery
