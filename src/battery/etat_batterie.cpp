#include "battery/etat_batterie.h"

#include "program/program.h"

#include <cmath>
#include <string>

namespace sorvane::battery {

namespace {
// Nearest whole number, an exact half going to the even neighbour (independent of the
// floating-point environment's rounding mode).
double roundHalfEven(double x) {
    const double lower = std::floor(x);
    const double fraction = x - lower;
    if (fraction < 0.5) return lower;
    if (fraction > 0.5) return lower + 1;
    return std::fmod(lower, 2.0) == 0 ? lower : lower + 1;
}
} // namespace

void EtatBatterie(Program& p) {
    auto& e = p.Main.EtatAlimentation;
    auto& s = p.state;
    p.os.GetSystemPowerStatus(e);
    if (e.ACLineStatus == 1) {
        s.SourceTexte = secteur;
        p.Main.temps.Caption = "";
    } else {
        // The unknown state 255, like any value but 1, counts as battery.
        s.SourceTexte = batterie;
        const double minutes = roundHalfEven(static_cast<double>(e.BatteryLifeTime) / 60.0);
        // A lifetime beyond 16 bits of minutes (about 22 days) is no real reading: show it as
        // unknown rather than as a wrapped or clamped number.
        s.MinutesRestant = std::abs(minutes) <= INT16_MAX ? static_cast<std::int16_t>(minutes) : 0;
        if (s.MinutesRestant == 0)
            p.Main.temps.Caption = "...";
        else
            p.Main.temps.Caption = std::to_string(s.MinutesRestant) + " min";
    }
    s.Pourcent = e.BatteryLifePercent;
}

} // namespace sorvane::battery
