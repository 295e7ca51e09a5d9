// The recording OS and the scripted runtime behave as the Windows calls they stand for.
#include "app/headless_machine.h"

#include <gtest/gtest.h>

namespace {

using namespace sorvane;
using namespace std::chrono_literals;

struct Os : ::testing::Test {
    app::HeadlessMachine m;
    headless::HeadlessOs& os = m.os();
};

TEST_F(Os, AsyncKeyStateReportsDownNowAndPressedSinceTheLastQueryOfThatKey) {
    EXPECT_EQ(os.GetAsyncKeyState(win::VK_F8), 0);
    os.tapKey(win::VK_F8);
    EXPECT_EQ(os.GetAsyncKeyState(win::VK_F7), 0) << "a tap of F8 is not a press of F7";
    EXPECT_EQ(os.GetAsyncKeyState(win::VK_F8) & 1, 1);
    EXPECT_EQ(os.GetAsyncKeyState(win::VK_F8), 0) << "the latch is cleared by its query";

    os.keyDown(win::VK_F5);
    EXPECT_EQ(static_cast<unsigned short>(os.GetAsyncKeyState(win::VK_F5)), 0x8001u);
    EXPECT_EQ(static_cast<unsigned short>(os.GetAsyncKeyState(win::VK_F5)), 0x8000u);
    os.keyUp(win::VK_F5);
    EXPECT_EQ(os.GetAsyncKeyState(win::VK_F5), 0);
}

TEST_F(Os, FindWindowTellsAnEmptyTitleFromANullOneAndIgnoresTheCaseOfTheClass) {
    EXPECT_EQ(os.FindWindowA("Shell_traywnd", ""), m.taskbar());
    EXPECT_EQ(os.FindWindowA("SHELL_TRAYWND", nullptr), m.taskbar());
    EXPECT_EQ(os.FindWindowA("Progman", "Program Manager"), m.desktop());
    EXPECT_EQ(os.FindWindowA("Progman", ""), 0u);
    EXPECT_EQ(os.FindWindowA("Progman", "program manager"), 0u);
    EXPECT_EQ(os.calls().back().text, "FindWindowA(\"Progman\", \"program manager\")");
}

TEST_F(Os, ShellWindowsHideAndShowInPlaceAndAZeroHandleDoesNothing) {
    os.SetWindowPos(m.taskbar(), 0, 0, 0, 0, 0, win::SWP_HIDEWINDOW);
    EXPECT_FALSE(m.taskbarVisible());
    os.SetWindowPos(m.taskbar(), 0, 0, 0, 0, 0, win::SWP_SHOWWINDOW);
    EXPECT_TRUE(m.taskbarVisible());
    os.ShowWindow(m.desktop(), win::SW_HIDE);
    EXPECT_FALSE(m.desktopVisible());
    EXPECT_EQ(os.ShowWindow(0, win::SW_HIDE), 0);
    EXPECT_EQ(os.SetWindowPos(0, 0, 0, 0, 0, 0, win::SWP_HIDEWINDOW), 0);
    EXPECT_TRUE(m.taskbarVisible());
}

TEST_F(Os, OnlyALayeredWindowTakesAnAlpha) {
    const auto h = os.addProgramWindow("W");
    EXPECT_EQ(os.SetLayeredWindowAttributes(h, 0, 10, win::LWA_ALPHA), 0);
    EXPECT_EQ(m.alpha(h), 255);
    os.SetWindowLongA(h, win::GWL_EXSTYLE, win::WS_EX_LAYERED);
    EXPECT_EQ(os.SetLayeredWindowAttributes(h, 0, 10, win::LWA_ALPHA), 1);
    EXPECT_EQ(m.alpha(h), 10);
    EXPECT_EQ(os.GetWindowLongA(h, win::GWL_EXSTYLE), win::WS_EX_LAYERED);
}

TEST_F(Os, BeepsAreRecordedAndHoldTheThreadForTheirDuration) {
    m.advance(40ms);
    os.Beep(1010, 100);
    os.Beep(1505, 100);
    ASSERT_EQ(os.beeps().size(), 2u);
    EXPECT_EQ(os.beeps()[1], (headless::BeepRecord{1505, 100, 140ms}));
    EXPECT_EQ(m.now(), 240ms);
}

struct Runtime : Os {
    headless::HeadlessRuntime& rt = m.runtime();
};

TEST_F(Runtime, UnscriptedBoxesAnswerTheHarmlessButton) {
    EXPECT_EQ(rt.MsgBox("q", win::MB_YESNO | win::MB_ICONQUESTION, "T"), win::IDNO);
    EXPECT_EQ(rt.MsgBox("i", win::MB_OK), win::IDOK);
    rt.answerNextBox(win::IDYES);
    EXPECT_EQ(rt.MsgBox("q", win::MB_YESNO), win::IDYES);
    ASSERT_EQ(rt.boxes().size(), 3u);
    EXPECT_EQ(rt.boxes()[1].title, "Sorvane"); // no title: the application's
    EXPECT_EQ(rt.boxes()[0].style, 36);
}

TEST_F(Runtime, APopupMenuRecordsItsEntriesAndRunsTheChosenItem) {
    auto& menu = m.program().menu;
    int clicks = 0;
    menu.troisbarre.Click = [&] { ++clicks; };
    rt.Load(menu);
    rt.chooseMenuItem({"Cacher // F8", "3 barre"});
    m.program().Main.PopupMenu(menu.menu);
    EXPECT_EQ(clicks, 1);
    ASSERT_EQ(rt.menus().size(), 1u);
    const auto& entries = rt.menus()[0].entries;
    ASSERT_EQ(entries.size(), 13u);
    EXPECT_EQ(entries[0], "[x] Beep /!\\ F5");
    EXPECT_EQ(entries[4], "Cacher // F8 > 1 barre");
    EXPECT_EQ(entries[12], "A Propos De Sorvane");
    EXPECT_EQ(rt.menus()[0].chosen, "Cacher // F8 > 3 barre");

    rt.chooseMenuItem({"Cacher // F8"}); // opening the sub-menu and leaving it chooses nothing
    m.program().Main.PopupMenu(menu.menu);
    rt.dismissNextMenu();
    m.program().Main.PopupMenu(menu.menu);
    EXPECT_EQ(clicks, 1);
    rt.chooseMenuItem({"No such entry"});
    EXPECT_THROW(m.program().Main.PopupMenu(menu.menu), std::invalid_argument);
}

} // namespace
