#include "battery/reminder.h"

#include "battery/etat_batterie.h"
#include "program/program.h"

#include <array>
#include <utility>

namespace sorvane::battery {

using namespace win;

namespace {
constexpr std::array<std::pair<DWORD, DWORD>, 5> tones{{
    {1010, 100},
    {1505, 100},
    {2000, 100},
    {1505, 100},
    {1010, 100},
}};
} // namespace

void Beep_effet(Program& p) {
    if (p.state.BeepOn != 1) return;
    for (const auto& [frequency, duration] : tones)
        p.os.Beep(frequency, duration);
}

void rappel_Timer(Program& p) {
    auto& s = p.state;
    auto& M = p.Main;

    EtatBatterie(p);

    // The platform reports 255 when it has no percentage to give: no battery. While the box is
    // open this handler is not delivered again, so the question is never put twice at once.
    if (s.QuestionPosee != 1 && s.Pourcent > 100) {
        const int reponse = p.rt.MsgBox("Vous n'avez pas de batterie :: Quitter?",
                                        MB_YESNO | MB_ICONQUESTION, "Info - Batterie");
        if (reponse == IDYES) {
            p.rt.End();
            return;
        }
        // Something else may have ended the program while the box was open.
        if (p.rt.ended()) return;
        s.QuestionPosee = 1;
    }

    if (s.Pourcent < 5) {
        if (s.Clignotant == 1) {
            M.ImgBat.Picture = M.ImgBat1.Picture;
            s.Clignotant = 0;
        } else {
            M.ImgBat.Picture = M.ImgBat0.Picture;
            Beep_effet(p);
            s.Clignotant = 1;
        }
    }
}

} // namespace sorvane::battery
