// The power probe: from any power record to the shared state and the time label.
#include "app/headless_machine.h"
#include "battery/etat_batterie.h"

#include <gtest/gtest.h>

namespace {

using namespace sorvane;

struct Reading {
    int acLine;
    int percent;
    int lifeTime;
    const char* source;
    int minutes;
    const char* caption;
    int pourcent;
};

std::ostream& operator<<(std::ostream& os, const Reading& r) {
    return os << "AC " << r.acLine << ", " << r.percent << " %, " << r.lifeTime << " s";
}

class Probe : public ::testing::TestWithParam<Reading> {
  protected:
    app::HeadlessMachine m;
};

TEST_P(Probe, FillsTheSharedStateAndTheLabel) {
    const auto& r = GetParam();
    m.state().MinutesRestant = 77; // what an earlier reading left
    m.setPower(static_cast<win::BYTE>(r.acLine), static_cast<win::BYTE>(r.percent), r.lifeTime);
    battery::EtatBatterie(m.program());
    EXPECT_EQ(m.state().SourceTexte, r.source);
    EXPECT_EQ(m.state().MinutesRestant, r.minutes);
    EXPECT_EQ(m.program().Main.temps.Caption.get(), r.caption);
    EXPECT_EQ(m.state().Pourcent, r.pourcent);
}

INSTANTIATE_TEST_SUITE_P(Readings, Probe,
                         ::testing::Values(
                             // on mains the label empties and the minutes keep their old value
                             Reading{1, 80, -1, "Pc sur secteur", 77, "", 80},
                             Reading{1, 100, 5400, "Pc sur secteur", 77, "", 100},
                             // anything but 1 is battery, the unknown 255 included
                             Reading{0, 50, 5400, "Pc sur batterie", 90, "90 min", 50},
                             Reading{255, 50, 5400, "Pc sur batterie", 90, "90 min", 50},
                             Reading{2, 50, 5400, "Pc sur batterie", 90, "90 min", 50},
                             // nearest minute, halves to even
                             Reading{0, 40, -1, "Pc sur batterie", 0, "...", 40},
                             Reading{0, 40, 0, "Pc sur batterie", 0, "...", 40},
                             Reading{0, 40, 30, "Pc sur batterie", 0, "...", 40},
                             Reading{0, 40, 31, "Pc sur batterie", 1, "1 min", 40},
                             Reading{0, 40, 90, "Pc sur batterie", 2, "2 min", 40},
                             Reading{0, 40, 150, "Pc sur batterie", 2, "2 min", 40},
                             Reading{0, 40, 210, "Pc sur batterie", 4, "4 min", 40},
                             Reading{0, 40, -90, "Pc sur batterie", -2, "-2 min", 40},
                             // the percentage is widened without sign
                             Reading{0, 255, -1, "Pc sur batterie", 0, "...", 255},
                             Reading{0, 0, -1, "Pc sur batterie", 0, "...", 0},
                             // beyond 16 bits of minutes: shown as unknown, never wrapped
                             Reading{0, 40, 1966019, "Pc sur batterie", 32767, "32767 min", 40},
                             Reading{0, 40, 1966050, "Pc sur batterie", 0, "...", 40},
                             Reading{0, 40, 2147483647, "Pc sur batterie", 0, "...", 40},
                             Reading{0, 40, -2147483647 - 1, "Pc sur batterie", 0, "...", 40}));

TEST(ProbeRecord, AnAllZeroRecordReadsAsBatteryWithNothingLeft) {
    app::HeadlessMachine m;
    battery::EtatBatterie(m.program());
    EXPECT_EQ(m.state().SourceTexte, "Pc sur batterie");
    EXPECT_EQ(m.program().Main.temps.Caption.get(), "...");
    EXPECT_EQ(m.state().Pourcent, 0);
    EXPECT_EQ(m.os().calls().back().text, "GetSystemPowerStatus()");
}

TEST(ProbeRecord, EachCallReadsAFreshRecord) {
    app::HeadlessMachine m;
    m.setPower(0, 42, 600);
    battery::EtatBatterie(m.program());
    m.setPower(1, 43, -1);
    battery::EtatBatterie(m.program());
    EXPECT_EQ(m.state().Pourcent, 43);
    EXPECT_EQ(m.program().Main.EtatAlimentation.ACLineStatus, 1);
    EXPECT_EQ(m.state().MinutesRestant, 10);
}

} // namespace
