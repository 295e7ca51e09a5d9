// What any power record may produce in the program's shared state and time label.
#pragma once

#include "program/program.h"

#include <string>

namespace sorvane::fuzz {

// "", "..." or "N min" with N a non-zero 16-bit number written without leading zeros.
inline bool validTimeCaption(const std::string& c) {
    if (c.empty() || c == "...") return true;
    const std::string suffix = " min";
    if (c.size() <= suffix.size() || c.compare(c.size() - suffix.size(), suffix.size(), suffix))
        return false;
    std::string n = c.substr(0, c.size() - suffix.size());
    const bool negative = n[0] == '-';
    if (negative) n.erase(0, 1);
    if (n.empty() || n.size() > 5 || n[0] == '0') return false;
    for (char ch : n)
        if (ch < '0' || ch > '9') return false;
    const long v = std::stol(n);
    return negative ? v <= 32768 : v <= 32767;
}

// Returns an explanation when the state after a probe of `s` is not what it may be.
inline std::string probeViolation(const Program& p, const win::SYSTEM_POWER_STATUS& s) {
    const auto& st = p.state;
    const std::string& caption = p.Main.temps.Caption;
    if (!validTimeCaption(caption)) return "bad caption \"" + caption + "\"";
    if (st.Pourcent != s.BatteryLifePercent) return "Pourcent differs from the record";
    if (s.ACLineStatus == 1) {
        if (st.SourceTexte != secteur || !caption.empty()) return "mains not shown as mains";
    } else {
        if (st.SourceTexte != batterie || caption.empty()) return "battery not shown as battery";
        const std::string expected =
            st.MinutesRestant == 0 ? "..." : std::to_string(st.MinutesRestant) + " min";
        if (caption != expected) return "caption disagrees with MinutesRestant";
    }
    return {};
}

} // namespace sorvane::fuzz
