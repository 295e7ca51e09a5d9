// Start-up: the order of the load handler's steps and the state the program starts from.
#include "support/running_program.h"

#include <map>

namespace {

using namespace sorvane;
using namespace sorvane::testing;

using Startup = RunningProgram;

TEST_F(Startup, CallsTheSystemInTheLoadHandlersOrder) {
    m.setPower(0, 50, 3600);
    m.start();
    const auto g = hex(gauge());
    const auto w = hex(p.F8.hWnd());
    EXPECT_EQ(callsSince(0), (std::vector<std::string>{
                                 // the gauge's opacity, before the watcher loads
                                 "GetWindowLongA(" + g + ", -20)",
                                 "SetWindowLongA(" + g + ", -20, 0x80000)",
                                 "SetLayeredWindowAttributes(" + g + ", 0, 200, 0x2)",
                                 // the watcher's load: itself transparent, the gauge topmost
                                 "GetWindowLongA(" + w + ", -20)",
                                 "SetWindowLongA(" + w + ", -20, 0x80000)",
                                 "SetLayeredWindowAttributes(" + w + ", 0, 0, 0x2)",
                                 "SetWindowPos(" + g + ", -1, 0, 0, 0, 0, 0x3)",
                                 "AnimateWindow(" + g + ", 5000, 0x10)",
                                 "GetSystemPowerStatus()",
                             }));
    EXPECT_EQ(os.calls().back().at, entranceEnd) << "the entrance holds the thread for 5 s";
}

TEST_F(Startup, PlacesTheGaugeBeforeTheEntranceAndPaintsItAfter) {
    std::map<std::string, std::string> seen;
    os.watchCalls([&](const headless::OsCall& c) {
        if (c.text.starts_with("SetWindowPos"))
            seen["topmost"] = "width " + std::to_string(M.Width.get());
        if (c.text.starts_with("AnimateWindow"))
            seen["animate"] = "width " + std::to_string(M.Width.get()) + " left " +
                              std::to_string(M.Left.get()) + " top " + std::to_string(M.Top.get()) +
                              " picture " + std::to_string(shownLevel()) + " slider " +
                              std::to_string(M.HScroll1.Left.get());
        if (c.text.starts_with("GetSystemPowerStatus"))
            seen["probe"] = "level " + std::to_string(s.NiveauBarres) + " picture " +
                            std::to_string(shownLevel()) + " beep " + std::to_string(s.BeepOn);
    });
    m.setPower(0, 50, 3600);
    m.start();
    EXPECT_EQ(seen["topmost"], "width 4515") << "the watcher loads before the gauge is sized";
    EXPECT_EQ(seen["animate"], "width 1920 left 25 top 500 picture -1 slider 1920");
    EXPECT_EQ(seen["probe"], "level 9 picture 9 beep 0") << "the defaults come after the reading";
}

TEST_F(Startup, LeavesTheGaugeAndItsWatcherInTheirStartState) {
    m.setPower(0, 50, 3600);
    m.start();
    EXPECT_EQ(M.Width.get(), 1920);
    EXPECT_EQ(M.Height.get(), 1920);
    EXPECT_EQ(M.Left.get(), 25);
    EXPECT_EQ(M.Top.get(), 500);
    EXPECT_EQ(M.HScroll1.Left.get(), 690);
    EXPECT_EQ(M.HScroll1.Top.get(), 10);
    EXPECT_EQ(M.HScroll1.Value(), 200);
    EXPECT_EQ(M.temps.Left.get(), 240);
    EXPECT_EQ(M.temps.Top.get(), 1320);
    EXPECT_TRUE(M.Visible());
    EXPECT_EQ(m.alpha(gauge()), 200);
    EXPECT_TRUE(m.topmost(gauge()));
    EXPECT_EQ(level(), 9);
    EXPECT_EQ(shownLevel(), 9);

    EXPECT_EQ(p.F8.Width.get(), 0);
    EXPECT_EQ(p.F8.Height.get(), 0);
    EXPECT_EQ(p.F8.Top.get(), 1000);
    EXPECT_EQ(p.F8.Left.get(), 0) << "its Left is not touched";
    EXPECT_EQ(m.alpha(p.F8.hWnd()), 0);
    EXPECT_FALSE(p.menu.loaded()) << "the menu window waits for its first use";
}

TEST_F(Startup, TheLabelStaysBlankUntilTheFirstReminderTick) {
    m.setPower(0, 50, 3600);
    m.start();
    EXPECT_EQ(M.temps.Caption.get(), "") << "whatever the first reading wrote";
    EXPECT_EQ(s.MinutesRestant, 60);
    m.advance(999ms);
    EXPECT_EQ(M.temps.Caption.get(), "");
    m.advance(1ms);
    EXPECT_EQ(M.temps.Caption.get(), "60 min");
}

TEST_F(Startup, OptionsStartOnAndTheFirstTaskbarToggleHidesIt) {
    start();
    EXPECT_EQ(s.BeepOn, 1);
    EXPECT_EQ(s.IconbureauOn, 1);
    EXPECT_EQ(s.IconbureauChange, 0);
    EXPECT_EQ(s.QuestionPosee, 0);
    EXPECT_EQ(s.TaskbarOn, 0);
    EXPECT_EQ(s.TaskbarChange, 0);
    EXPECT_EQ(s.BarresRappel, 0);
    EXPECT_TRUE(m.taskbarVisible());
    EXPECT_TRUE(m.desktopVisible());
    choose({"TaskBar F6"});
    m.advance(10ms);
    EXPECT_FALSE(m.taskbarVisible());
}

TEST_F(Startup, NoEventIsHandledDuringTheEntrance) {
    bool clicked = false;
    os.watchCalls([&](const headless::OsCall& c) {
        // A click arriving while the window animates, as a backend pumping events would see it.
        if (c.text.starts_with("AnimateWindow")) clicked = click(M.fermer);
    });
    os.keyDown(win::VK_F8);
    start();
    EXPECT_FALSE(clicked);
    EXPECT_FALSE(m.ended());
    ASSERT_EQ(count(0, "GetAsyncKeyState"), 1u) << "the F8 poll waited for the entrance";
    for (const auto& c : os.calls()) {
        if (c.text.starts_with("GetAsyncKeyState")) {
            EXPECT_EQ(c.at, entranceEnd);
        }
    }
}

TEST_F(Startup, TimersTickFromTheEndOfTheEntrance) {
    m.setPower(0, 50, 3600);
    m.start();
    m.advance(1s);
    std::vector<Millis> readings;
    for (const auto& c : os.calls())
        if (c.text == "GetSystemPowerStatus()") readings.push_back(c.at);
    EXPECT_EQ(readings, (std::vector<Millis>{5000ms, 6000ms}));
}

} // namespace
