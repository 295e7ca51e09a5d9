// mod_Main: the state the three windows share. Numbers are 16-bit signed, as the program was
// written; flags hold 0 or 1 and are tested for equality with 1.
#pragma once

#include <cstdint>
#include <string>

namespace sorvane {

struct ModMain {
    std::int16_t IconbureauOn = 0;     // 1: desktop icons to be shown
    std::int16_t TaskbarOn = 0;        // 1: taskbar to be shown
    std::int16_t BeepOn = 0;           // 1: the warning beep sounds
    std::int16_t IconbureauChange = 0; // 1: IconbureauOn changed, not yet applied
    std::int16_t TaskbarChange = 0;    // 1: TaskbarOn changed, not yet applied
    std::int16_t QuestionPosee = 0;    // 1: the no-battery question was answered No
    std::int16_t Clignotant = 0;       // 1: the empty picture is up in the low-battery blink
    std::int16_t MinutesRestant = 0;   // battery minutes left, as last computed
    std::string SourceTexte;           // "Pc sur secteur" or "Pc sur batterie"
    std::int16_t Pourcent = 0;         // last BatteryLifePercent: 0..100, 255 unknown
    std::int16_t BarresRappel = 0;     // the gauge comes back at this many bars or fewer
    std::int16_t NiveauBarres = 0;     // the level the gauge shows, 0..9
};

inline constexpr const char* secteur = "Pc sur secteur";
inline constexpr const char* batterie = "Pc sur batterie";

} // namespace sorvane
