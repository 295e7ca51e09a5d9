// The options menu: three switches, eight hide commands and the about box.
#include "support/running_program.h"

namespace {

using namespace sorvane;
using namespace sorvane::testing;

using Menu = RunningProgram;

TEST_F(Menu, TaskbarHidesAtTheNextRefreshAndComesBackOnTheSecondClick) {
    start();
    choose({"TaskBar F6"});
    EXPECT_TRUE(m.taskbarVisible()) << "the click only raises the request";
    EXPECT_EQ(s.TaskbarChange, 1);
    EXPECT_FALSE(p.menu.Taskbar.Checked.get());
    m.advance(10ms);
    EXPECT_FALSE(m.taskbarVisible());
    EXPECT_EQ(s.TaskbarChange, 0);
    choose({"TaskBar F6"});
    m.advance(10ms);
    EXPECT_TRUE(m.taskbarVisible());
    EXPECT_EQ(s.TaskbarOn, 1);
    EXPECT_TRUE(p.menu.Taskbar.Checked.get());
}

TEST_F(Menu, IconbureauTwiceBeforeATickLeavesOneRequestInTheCheckedState) {
    start();
    choose({"IconBureau F7"});
    choose({"IconBureau F7"});
    EXPECT_TRUE(p.menu.Iconbureau.Checked.get());
    EXPECT_EQ(s.IconbureauOn, 1);
    EXPECT_EQ(s.IconbureauChange, 1);
    const auto from = mark();
    m.advance(10ms);
    EXPECT_EQ(callsSince(from), (std::vector<std::string>{
                                    "FindWindowA(\"Progman\", \"Program Manager\")",
                                    "ShowWindow(" + hex(m.desktop()) + ", 5)",
                                    "FindWindowA(\"Shell_traywnd\", \"\")",
                                    "SetWindowPos(" + hex(m.taskbar()) + ", 0, 0, 0, 0, 0, 0x40)",
                                }));
    EXPECT_EQ(s.IconbureauChange, 0);
}

TEST_F(Menu, BeepFlipsOnlyItsFlagAndItsMark) {
    start();
    const ModMain before = s;
    const auto from = mark();
    const auto changes = rt.nativeChanges();
    choose({"Beep /!\\ F5"});
    EXPECT_EQ(s.BeepOn, 0);
    EXPECT_FALSE(p.menu.ckd_beep.Checked.get());
    ModMain expected = before;
    expected.BeepOn = 0;
    EXPECT_EQ(s.IconbureauOn, expected.IconbureauOn);
    EXPECT_EQ(s.TaskbarOn, expected.TaskbarOn);
    EXPECT_EQ(s.TaskbarChange, 0);
    EXPECT_EQ(s.IconbureauChange, 0);
    EXPECT_TRUE(callsSince(from).empty());
    EXPECT_EQ(rt.nativeChanges(), changes + 1) << "the check mark, nothing else";
    m.advance(3s);
    EXPECT_TRUE(os.beeps().empty());
}

struct HideRow {
    const char* caption;
    int bars;
};

std::ostream& operator<<(std::ostream& o, const HideRow& r) {
    return o << r.caption;
}

class Hide : public RunningProgram, public ::testing::WithParamInterface<HideRow> {};

TEST_P(Hide, MakesTheGaugeTransparentArmsTheWatcherAndTellsTheRecallKey) {
    start(100); // level 9: no bar item recalls at once
    const auto slider = M.HScroll1.Value();
    int alphaDuringBox = -1;
    rt.answerNextBox(win::IDOK, 20ms);
    after(15ms, [&] { alphaDuringBox = m.alpha(gauge()); });
    choose({"Cacher // F8", GetParam().caption});
    EXPECT_EQ(m.alpha(gauge()), 0);
    EXPECT_EQ(alphaDuringBox, 0) << "the box comes up after the gauge has gone";
    EXPECT_EQ(s.BarresRappel, GetParam().bars);
    EXPECT_TRUE(p.F8.verif.Enabled.get());
    EXPECT_EQ(M.HScroll1.Value(), slider) << "the slider is not touched";
    EXPECT_TRUE(M.Visible());
    ASSERT_EQ(rt.boxes().size(), 1u);
    EXPECT_EQ(rt.boxes()[0].text, "Pour réafficher le programme :: F8");
    EXPECT_EQ(rt.boxes()[0].title, "Touche Rappel");
    EXPECT_EQ(rt.boxes()[0].style, 0x40);
    m.advance(10s);
    EXPECT_EQ(m.alpha(gauge()), 0) << "still above the threshold";
}

INSTANTIATE_TEST_SUITE_P(Bars, Hide,
                         ::testing::Values(HideRow{"1 barre", 1}, HideRow{"2 barre", 2},
                                           HideRow{"3 barre", 3}, HideRow{"4 barre", 4},
                                           HideRow{"5 barre", 5}, HideRow{"6 barre", 6},
                                           HideRow{"7 barre", 7}, HideRow{"8 barre", 8}));

TEST_F(Menu, TheAboutBoxLeavesTheProgramRunning) {
    start();
    choose({"A Propos De Sorvane"});
    ASSERT_EQ(rt.boxes().size(), 1u);
    EXPECT_EQ(rt.boxes()[0].text, "Sorvane Par Quillet.");
    EXPECT_EQ(rt.boxes()[0].title, "Sorvane");
    EXPECT_EQ(rt.boxes()[0].style, 0);
    EXPECT_FALSE(m.ended());
    m.setPower(0, 30);
    m.advance(1s);
    EXPECT_EQ(level(), 3);
}

TEST_F(Menu, TheSubmenuAndTheTopItemDoNothingByThemselves) {
    start();
    const auto from = mark();
    choose({"Cacher // F8"});
    EXPECT_TRUE(callsSince(from).empty());
    EXPECT_TRUE(rt.boxes().empty());
    EXPECT_FALSE(p.F8.verif.Enabled.get());
}

} // namespace
