// The gauge refresh: the level table, the source picture, the shell requests, and its cost.
#include "battery/gauge_refresh.h"
#include "options_menu/menu_commands.h"
#include "support/running_program.h"

namespace {

using namespace sorvane;
using namespace sorvane::testing;

struct LevelRow {
    int pourcent;
    int level;   // NiveauBarres after the tick
    int picture; // level picture in ImgBat after the tick
};

std::ostream& operator<<(std::ostream& o, const LevelRow& r) {
    return o << r.pourcent << " %";
}

// Each row starts from a gauge that shows level 5 (50 %).
class LevelTable : public RunningProgram, public ::testing::WithParamInterface<LevelRow> {};

TEST_P(LevelTable, SetsTheLevelAndItsPicture) {
    start(50);
    ASSERT_EQ(level(), 5);
    ASSERT_EQ(shownLevel(), 5);
    s.Pourcent = static_cast<std::int16_t>(GetParam().pourcent);
    battery::changer_Timer(p);
    EXPECT_EQ(level(), GetParam().level);
    EXPECT_EQ(shownLevel(), GetParam().picture);
}

INSTANTIATE_TEST_SUITE_P(Bands, LevelTable,
                         ::testing::Values(
                             // below 5 % only the level changes: the reminder owns the picture
                             LevelRow{0, 0, 5}, LevelRow{4, 0, 5},
                             // lower bounds inclusive
                             LevelRow{5, 1, 1}, LevelRow{14, 1, 1}, LevelRow{15, 2, 2},
                             LevelRow{24, 2, 2}, LevelRow{25, 3, 3}, LevelRow{44, 4, 4},
                             LevelRow{45, 5, 5}, LevelRow{64, 6, 6}, LevelRow{65, 7, 7},
                             LevelRow{84, 8, 8}, LevelRow{85, 9, 9}, LevelRow{94, 9, 9},
                             // no band at 95 and above, the unknown 255 included
                             LevelRow{95, 5, 5}, LevelRow{100, 5, 5}, LevelRow{255, 5, 5}));

using Refresh = UnderBothPolicies;

TEST_P(Refresh, AStartAtFullChargeShowsLevelNineUntilTheChargeFallsBelow95) {
    start(100);
    EXPECT_EQ(level(), 9);
    EXPECT_EQ(shownLevel(), 9);
    m.setPower(0, 95);
    m.advance(2s);
    EXPECT_EQ(level(), 9);
    m.setPower(0, 94);
    m.advance(1s);
    EXPECT_EQ(level(), 9);
    m.setPower(0, 84);
    m.advance(1s);
    EXPECT_EQ(level(), 8);
    EXPECT_EQ(shownLevel(), 8);
    m.setPower(1, 100); // charging back to full keeps the last band
    m.advance(1s);
    EXPECT_EQ(level(), 8);
    EXPECT_EQ(shownLevel(), 8);
}

struct SourceRow {
    int acLine;
    forms::PictureId shown;
};

class PowerSource : public RunningProgram, public ::testing::WithParamInterface<SourceRow> {};

TEST_P(PowerSource, PicksTheBatteryPicture) {
    start(50, GetParam().acLine);
    ASSERT_NE(M.Pile.Picture.get(), nullptr);
    EXPECT_EQ(M.Pile.Picture.get()->id, GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(AcLine, PowerSource,
                         ::testing::Values(SourceRow{1, forms::PictureId::PileOff},
                                           SourceRow{0, forms::PictureId::PileOn},
                                           SourceRow{255, forms::PictureId::PileOn},
                                           SourceRow{2, forms::PictureId::PileOn}));

TEST_P(Refresh, AnEmptyOrForeignSourceTextLeavesThePileAlone) {
    start(50, 1);
    for (const char* text : {"", "pc sur secteur", "Pc sur batterie ", "autre"}) {
        s.SourceTexte = text;
        battery::changer_Timer(p);
        EXPECT_EQ(M.Pile.Picture.get()->id, forms::PictureId::PileOff) << '"' << text << '"';
    }
}

TEST_P(Refresh, ManyTogglesBetweenTwoTicksMakeOneRequest) {
    start();
    const auto from = mark();
    options_menu::Taskbar_Click(p);
    options_menu::Taskbar_Click(p);
    options_menu::Taskbar_Click(p);
    battery::changer_Timer(p);
    EXPECT_EQ(callsSince(from), (std::vector<std::string>{
                                    "FindWindowA(\"Shell_traywnd\", \"\")",
                                    "SetWindowPos(" + hex(m.taskbar()) + ", 0, 0, 0, 0, 0, 0x80)",
                                }));
    EXPECT_FALSE(m.taskbarVisible());
    EXPECT_EQ(s.TaskbarChange, 0);
    battery::changer_Timer(p);
    EXPECT_EQ(count(from, "SetWindowPos"), 1u);
}

TEST_P(Refresh, BothRequestsInOneTickShowThenHideTheTaskbar) {
    start();
    s.IconbureauOn = 1;
    s.IconbureauChange = 1;
    s.TaskbarOn = 0;
    s.TaskbarChange = 1;
    const auto from = mark();
    battery::changer_Timer(p);
    EXPECT_EQ(callsSince(from), (std::vector<std::string>{
                                    "FindWindowA(\"Progman\", \"Program Manager\")",
                                    "ShowWindow(" + hex(m.desktop()) + ", 5)",
                                    "FindWindowA(\"Shell_traywnd\", \"\")",
                                    "SetWindowPos(" + hex(m.taskbar()) + ", 0, 0, 0, 0, 0, 0x40)",
                                    "FindWindowA(\"Shell_traywnd\", \"\")",
                                    "SetWindowPos(" + hex(m.taskbar()) + ", 0, 0, 0, 0, 0, 0x80)",
                                }));
    EXPECT_FALSE(m.taskbarVisible());
    EXPECT_TRUE(m.desktopVisible());
    EXPECT_EQ(s.IconbureauChange, 0);
    EXPECT_EQ(s.TaskbarChange, 0);
}

TEST_P(Refresh, ReshowingTheIconsShowsTheTaskbarButLeavesItsSwitchAlone) {
    start();
    m.runtime().Load(p.menu);
    options_menu::Taskbar_Click(p);
    battery::changer_Timer(p);
    ASSERT_FALSE(m.taskbarVisible());

    options_menu::Iconbureau_Click(p);
    auto from = mark();
    battery::changer_Timer(p);
    EXPECT_FALSE(m.desktopVisible());
    EXPECT_EQ(count(from, "FindWindowA(\"Shell_traywnd\""), 0u)
        << "hiding icons spares the taskbar";
    EXPECT_EQ(count(from, "SetWindowPos"), 0u);

    options_menu::Iconbureau_Click(p);
    battery::changer_Timer(p);
    EXPECT_TRUE(m.desktopVisible());
    EXPECT_TRUE(m.taskbarVisible());
    EXPECT_EQ(s.TaskbarOn, 0);
    EXPECT_FALSE(p.menu.Taskbar.Checked.get());
    EXPECT_EQ(s.TaskbarChange, 0);
    EXPECT_EQ(p.Main.hTaskbar, m.taskbar());
    EXPECT_EQ(p.Main.hIconbureau, m.desktop());
}

TEST(RefreshWithoutShell, RequestsAreClearedEvenWhenNoShellWindowIsFound) {
    app::HeadlessMachine m(/*withShell*/ false);
    auto& p = m.program();
    m.setPower(0, 50);
    m.start();
    options_menu::Taskbar_Click(p);
    options_menu::Iconbureau_Click(p);
    const auto from = m.os().calls().size();
    battery::changer_Timer(p);
    std::vector<std::string> got;
    for (auto i = from; i < m.os().calls().size(); ++i)
        got.push_back(m.os().calls()[i].text);
    EXPECT_EQ(got, (std::vector<std::string>{
                       "FindWindowA(\"Progman\", \"Program Manager\")",
                       "ShowWindow(0, 0)",
                       "FindWindowA(\"Shell_traywnd\", \"\")",
                       "SetWindowPos(0, 0, 0, 0, 0, 0, 0x80)",
                   }));
    EXPECT_EQ(m.state().TaskbarChange, 0);
    EXPECT_EQ(m.state().IconbureauChange, 0);
    EXPECT_EQ(p.Main.hTaskbar, 0u);
    battery::changer_Timer(p);
    EXPECT_EQ(m.os().calls().size(), from + 4) << "not tried again";
}

TEST_P(Refresh, AnUnchangedTickCostsNoOsCallAndNoNativeChange) {
    start(42);
    m.advance(2s); // the first reminder tick fills the label
    auto from = mark();
    const int changes = rt.nativeChanges();
    for (int i = 0; i < 100; ++i)
        ASSERT_TRUE(rt.tick(M.changer));
    EXPECT_EQ(mark(), from);
    EXPECT_EQ(rt.nativeChanges(), changes);

    // Over ten steady seconds (a thousand refresh ticks) only the readings reach the system.
    from = mark();
    m.advance(10s);
    EXPECT_EQ(rt.nativeChanges(), changes);
    EXPECT_EQ(callsSince(from), std::vector<std::string>(10, "GetSystemPowerStatus()"));
}

SORVANE_UNDER_BOTH_POLICIES(Refresh);

} // namespace
