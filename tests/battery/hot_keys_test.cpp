// F7, F6 and F5 switch the options from anywhere, as their menu items do.
#include "options_menu/menu_commands.h"
#include "support/running_program.h"

namespace {

using namespace sorvane;
using namespace sorvane::testing;

struct KeyRow {
    int vKey;
    const char* item;
    std::int16_t ModMain::*option;
    std::int16_t ModMain::*request; // null: no request flag
};

std::ostream& operator<<(std::ostream& o, const KeyRow& r) {
    return o << r.item;
}

class HotKey : public RunningProgram, public ::testing::WithParamInterface<KeyRow> {};

TEST_P(HotKey, ATapTogglesItsItemAndOptionAndRaisesItsRequest) {
    const auto& k = GetParam();
    start();
    auto& item = *p.menu.findMenuItem(k.item);
    os.tapKey(k.vKey);
    m.advance(150ms);
    EXPECT_FALSE(item.Checked.get());
    EXPECT_EQ(s.*k.option, 0);
    if (k.request) {
        // The request was raised, and the refresh right after it consumed it.
        EXPECT_EQ(s.*k.request, 0);
        EXPECT_GE(count(0, "FindWindowA"), 1u);
    } else {
        EXPECT_EQ(count(0, "FindWindowA"), 0u) << "F5 raises no request";
    }
    os.tapKey(k.vKey);
    m.advance(150ms);
    EXPECT_TRUE(item.Checked.get());
    EXPECT_EQ(s.*k.option, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, HotKey,
    ::testing::Values(KeyRow{win::VK_F7, "Iconbureau", &ModMain::IconbureauOn,
                             &ModMain::IconbureauChange},
                      KeyRow{win::VK_F6, "Taskbar", &ModMain::TaskbarOn, &ModMain::TaskbarChange},
                      KeyRow{win::VK_F5, "ckd_beep", &ModMain::BeepOn, nullptr}));

using HotKeys = UnderBothPolicies;

TEST_P(HotKeys, TheNewValueComesFromTheCheckMarkNotFromTheFlag) {
    start();
    m.runtime().Load(p.menu);
    s.BeepOn = 7; // neither 0 nor 1: the mark alone decides
    os.tapKey(win::VK_F5);
    m.advance(150ms);
    EXPECT_EQ(s.BeepOn, 0);
    s.TaskbarOn = 1; // the flag says shown, the mark says checked
    os.tapKey(win::VK_F6);
    m.advance(150ms);
    EXPECT_EQ(s.TaskbarOn, 0);
    EXPECT_FALSE(m.taskbarVisible());
}

TEST_P(HotKeys, AKeyHeldAcrossTicksTogglesOncePerTick) {
    start(); // Timer1 ticks at 5150, 5300, 5450 ... ms
    os.keyDown(win::VK_F5);
    m.advance(440ms); // three ticks
    EXPECT_EQ(s.BeepOn, 0);
    EXPECT_FALSE(p.menu.ckd_beep.Checked.get());
    m.advance(150ms);
    EXPECT_EQ(s.BeepOn, 1);
    os.keyUp(win::VK_F5);
    m.advance(1500ms);
    EXPECT_EQ(s.BeepOn, 1);
}

TEST_P(HotKeys, F7AndF6InOneTickToggleBothIconsFirstThenTheRefreshAppliesBoth) {
    start();
    os.tapKey(win::VK_F6);
    os.tapKey(win::VK_F7);
    const auto from = mark();
    m.advance(150ms);
    EXPECT_EQ(s.IconbureauOn, 0);
    EXPECT_EQ(s.TaskbarOn, 0);
    const auto calls = callsSince(from, /*withKeys*/ true);
    std::vector<std::string> keysThenShell;
    for (const auto& c : calls)
        if (!c.starts_with("GetSystemPowerStatus") && c != "GetAsyncKeyState(0x77)")
            keysThenShell.push_back(c);
    EXPECT_EQ(keysThenShell, (std::vector<std::string>{
                                 "GetAsyncKeyState(0x76)",
                                 "GetAsyncKeyState(0x75)",
                                 "GetAsyncKeyState(0x74)",
                                 "FindWindowA(\"Progman\", \"Program Manager\")",
                                 "ShowWindow(" + hex(m.desktop()) + ", 0)",
                                 "FindWindowA(\"Shell_traywnd\", \"\")",
                                 "SetWindowPos(" + hex(m.taskbar()) + ", 0, 0, 0, 0, 0, 0x80)",
                             }));
    EXPECT_FALSE(m.taskbarVisible());
    EXPECT_FALSE(m.desktopVisible());
}

TEST_P(HotKeys, F7BringingTheIconsBackAlsoShowsTheTaskbar) {
    start();
    os.tapKey(win::VK_F6);
    m.advance(150ms);
    os.tapKey(win::VK_F7);
    m.advance(150ms);
    ASSERT_FALSE(m.taskbarVisible());
    os.tapKey(win::VK_F7);
    m.advance(150ms);
    EXPECT_TRUE(m.desktopVisible());
    EXPECT_TRUE(m.taskbarVisible());
    EXPECT_EQ(s.TaskbarOn, 0);
    EXPECT_FALSE(p.menu.Taskbar.Checked.get());
}

TEST_P(HotKeys, TheMenuWindowIsCreatedUnseenOnTheFirstPressOnly) {
    start();
    m.advance(1s);
    EXPECT_FALSE(p.menu.loaded()) << "no press, no menu window";
    os.tapKey(win::VK_F5);
    m.advance(150ms);
    EXPECT_TRUE(p.menu.loaded());
    EXPECT_FALSE(p.menu.Visible());
    EXPECT_FALSE(m.visible(p.menu.hWnd()));
    EXPECT_EQ(s.BeepOn, 0);
}

TEST_P(HotKeys, KeysActWhileTheGaugeIsHidden) {
    start();
    options_menu::huitbarre_Click(p);
    ASSERT_EQ(m.alpha(gauge()), 0);
    os.tapKey(win::VK_F6);
    os.tapKey(win::VK_F5);
    m.advance(150ms);
    EXPECT_FALSE(m.taskbarVisible());
    EXPECT_EQ(s.BeepOn, 0);
    EXPECT_EQ(m.alpha(gauge()), 0) << "the hot keys do not recall the gauge";
}

SORVANE_UNDER_BOTH_POLICIES(HotKeys);

} // namespace
