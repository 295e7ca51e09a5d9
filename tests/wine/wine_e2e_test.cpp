// Sorvane.exe end to end under Wine: the real program file on a real X desktop (openbox,
// picom), reading a fixture power supply, driven by XTEST and checked by X properties, window
// pixels and what the Wine session itself reports.
#include "bmp.h"
#include "relay_trace.h"
#include "wine_session.h"

#include "support/process.h"
#include "support/wait.h"

#include <gtest/gtest.h>

#include <X11/keysym.h>

#include <X11/extensions/XTest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

namespace {

using namespace sorvane::testsupport;
using namespace sorvane::wine;
using namespace std::chrono_literals;

const std::string fixtures = SORVANE_WINE_FIXTURES;
const std::string artwork = SORVANE_ARTWORK_DIR;
std::chrono::steady_clock::time_point steady() {
    return std::chrono::steady_clock::now();
}
double secondsSince(std::chrono::steady_clock::time_point t) {
    return std::chrono::duration<double>(steady() - t).count();
}

constexpr unsigned long opacity(unsigned alpha) {
    return alpha * 0x01010101ul;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) {
        if (!l.empty() && l.back() == '\r') l.pop_back();
        out.push_back(l);
    }
    return out;
}

bool contains(const std::vector<std::string>& facts, const std::string& fact) {
    return std::find(facts.begin(), facts.end(), fact) != facts.end();
}

// How a region of a grab compares with the same region of a picture.
bool sameRegion(const Image& shot, int shotX, const Image& picture, int x0, int y0, int x1,
                int y1) {
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
            if (!(shot.at(shotX + x, y) == picture.at(x, y))) return false;
    return true;
}

const std::vector<std::string> initialMenu = {"[x] Beep /!\\ F5", "[x] TaskBar F6",
                                              "[x] IconBureau F7", "[>] Cacher // F8",
                                              "[ ] A Propos De Sorvane"};
const std::vector<std::string> barsMenu = {"[ ] 1 barre", "[ ] 2 barre", "[ ] 3 barre",
                                           "[ ] 4 barre", "[ ] 5 barre", "[ ] 6 barre",
                                           "[ ] 7 barre", "[ ] 8 barre"};

// The options menu after F5, F6, F7 and F5 again.
const std::vector<std::vector<std::string>> hotKeyMenus = {
    {"[ ] Beep /!\\ F5", "[x] TaskBar F6", "[x] IconBureau F7", "[>] Cacher // F8",
     "[ ] A Propos De Sorvane"},
    {"[ ] Beep /!\\ F5", "[ ] TaskBar F6", "[x] IconBureau F7", "[>] Cacher // F8",
     "[ ] A Propos De Sorvane"},
    {"[ ] Beep /!\\ F5", "[ ] TaskBar F6", "[ ] IconBureau F7", "[>] Cacher // F8",
     "[ ] A Propos De Sorvane"},
    {"[x] Beep /!\\ F5", "[ ] TaskBar F6", "[ ] IconBureau F7", "[>] Cacher // F8",
     "[ ] A Propos De Sorvane"},
};

// One Wine session for the whole run: making a prefix is the slow part.
class WineEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        if (powerNamespaceAvailable()) session = new WineSession();
    }
    void TearDown() override {
        delete session;
        session = nullptr;
    }
    static inline WineSession* session = nullptr;
};
const auto* const environment = ::testing::AddGlobalTestEnvironment(new WineEnvironment);

class WineGauge : public ::testing::Test {
  protected:
    void SetUp() override {
        session_ = WineEnvironment::session;
        if (!session_) GTEST_SKIP() << "no private mount namespace for the power fixture";
        d = session_->display();
        // Drawn before the gauge starts: the probe's menu takes the focus from the program.
        for (const auto* m : {&initialMenu, &barsMenu})
            ASSERT_GT(expectedMenu(*m).width, 0) << "the probe drew no menu";
        for (const auto& m : hotKeyMenus)
            ASSERT_GT(expectedMenu(m).width, 0);
    }

    void TearDown() override {
        if (gauge_) {
            session_->x().end(gauge_);
            waitUntil([&] { return !findProgramWindow(d, "sorvane.exe", "Main"); }, 10s);
        }
    }

    // Starts Sorvane.exe on a fixture (by name, or a folder by its path) and waits for its
    // gauge window.
    void start(const std::string& fixture) {
        const std::string folder = fixture.starts_with('/') ? fixture : fixtures + "/" + fixture;
        gauge_ = session_->x().spawn(session_->wineWithPower(folder, {SORVANE_EXE}), "sorvane");
        ASSERT_TRUE(
            waitUntil([&] { return (main_ = findProgramWindow(d, "sorvane.exe", "Main")); }, 30s))
            << "no gauge window; windows: " << windowList() << session_->x().log("sorvane");
        const Geometry g = geometry(d, main_);
        gx = g.x;
        gy = g.y;
    }

    std::string windowList() {
        std::string out;
        for (Window w : windowsInTree(d, 3))
            if (!wmClass(d, w).empty())
                out += "\n  " + wmClass(d, w) + " \"" + wmName(d, w) + "\"" +
                       (isViewable(d, w) ? " viewable" : "");
        return out + "\n";
    }

    bool running() { return isRunning(gauge_); }
    void hideWithThreeBars();
    std::size_t gaugeWindows() {
        std::size_t n = 0;
        for (Window w : windowsInTree(d, 3))
            n += wmClass(d, w) == "sorvane.exe.sorvane.exe" && wmName(d, w) == "Main";
        return n;
    }
    bool ended() {
        if (!waitUntil([&] { return !isRunning(gauge_); }, 10s)) return false;
        gauge_ = 0;
        return true;
    }

    std::optional<unsigned long> gaugeOpacity() {
        return getCardinal(d, main_, "_NET_WM_WINDOW_OPACITY");
    }

    // What the probe prints; empty when it found nothing.
    std::string probe(const std::vector<std::string>& args) {
        std::vector<std::string> argv = {SORVANE_WINEPROBE_EXE};
        argv.insert(argv.end(), args.begin(), args.end());
        return session_->runToEnd(session_->wine(argv)).text;
    }

    // A pop-up menu drawn by Wine for the probe, with the entries the gauge's menu must have.
    static const Image& expectedMenu(const std::vector<std::string>& entries) {
        static std::map<std::vector<std::string>, Image> cache;
        if (auto it = cache.find(entries); it != cache.end()) return it->second;
        Display* dd = session_->display();
        std::vector<std::string> args = {SORVANE_WINEPROBE_EXE, "showmenu", "600", "200"};
        args.insert(args.end(), entries.begin(), entries.end());
        const pid_t p = session_->x().spawn(session_->wine(args), "probe-menu");
        Image shot;
        if (waitUntil([&] { return !findPopupMenus(dd, "wineprobe.exe").empty(); }, 20s)) {
            const Window w = findPopupMenus(dd, "wineprobe.exe").front();
            const Geometry g = geometry(dd, w);
            // The window is mapped before Wine draws into it: take the menu once its text is
            // there and two grabs agree.
            Image last;
            waitUntil(
                [&] {
                    shot = grab(dd, w, 0, 0, g.width, g.height);
                    bool text = false;
                    for (std::size_t i = 0; i + 2 < shot.rgb.size() && !text; i += 3)
                        text = shot.rgb[i] + shot.rgb[i + 1] + shot.rgb[i + 2] < 150;
                    const bool steady = text && shot.rgb == last.rgb;
                    last = shot;
                    return steady;
                },
                10s, 50ms);
        }
        session_->x().end(p);
        waitUntil([&] { return findPopupMenus(dd, "wineprobe.exe").empty(); }, 10s);
        return cache[entries] = shot;
    }

    // Clicks the options button and waits for the menu; returns its window.
    Window openOptions() {
        moveMouse(d, gx + 300, gy + 300); // off the gauge: no drag starts on the way
        click(d, gx + 8, gy + 122);
        Window menu = 0;
        waitUntil([&] {
            auto menus = findPopupMenus(d, "sorvane.exe");
            menu = menus.empty() ? 0 : menus.front();
            return menu != 0;
        });
        return menu;
    }

    // Escape closes the menus while the gauge has the keyboard; a hot key that hides the
    // taskbar while a menu is open can take the keyboard away, and then a click outside does.
    void closeMenus() {
        for (int i = 0; i < 2 && !findPopupMenus(d, "sorvane.exe").empty(); ++i)
            tapKey(d, XK_Escape);
        if (waitUntil([&] { return findPopupMenus(d, "sorvane.exe").empty(); }, 2s)) return;
        click(d, gx + 600, gy + 500);
        waitUntil([&] { return findPopupMenus(d, "sorvane.exe").empty(); });
    }

    // The centre of entry `index` of `count` in a Wine pop-up menu (3 px border, equal rows).
    std::pair<int, int> entryCentre(Window menu, int index, int count) {
        const Geometry g = geometry(d, menu);
        const int row = (static_cast<int>(g.height) - 6) / count;
        return {g.x + static_cast<int>(g.width) / 2, g.y + 3 + row * index + row / 2};
    }

    bool menuLooksLike(Window menu, const std::vector<std::string>& entries) {
        const Image& want = expectedMenu(entries);
        const Geometry g = geometry(d, menu);
        if (want.width != static_cast<int>(g.width) || want.height != static_cast<int>(g.height))
            return false;
        return grab(d, menu, 0, 0, g.width, g.height).rgb == want.rgb;
    }

    // Opens the options menu until it shows `entries` (a hot key is polled, not pushed).
    bool optionsMenuBecomes(const std::vector<std::string>& entries,
                            std::chrono::milliseconds within = 10s) {
        std::string seen;
        const bool became = waitUntil(
            [&] {
                const Window menu = openOptions();
                const bool same = menu && menuLooksLike(menu, entries);
                if (!same && menu) {
                    const Geometry g = geometry(d, menu);
                    const Image& want = expectedMenu(entries);
                    const Image got = grab(d, menu, 0, 0, g.width, g.height);
                    int diff = 0;
                    if (got.rgb.size() == want.rgb.size())
                        for (std::size_t i = 0; i < got.rgb.size(); i += 3)
                            diff += got.rgb[i] != want.rgb[i];
                    seen = "menu " + std::to_string(g.width) + "x" + std::to_string(g.height) +
                           " want " + std::to_string(want.width) + "x" +
                           std::to_string(want.height) + " differing pixels " +
                           std::to_string(diff) +
                           (menuLooksLike(menu, initialMenu) ? " (initial)" : "");
                    got.writePpm(session_->x().path("menu-got.ppm"));
                    want.writePpm(session_->x().path("menu-want.ppm"));
                }
                closeMenus();
                return same;
            },
            within, 50ms);
        if (!became) ADD_FAILURE() << seen;
        return became;
    }

    // The window manager's idea of the focus and Wine's must both be the gauge: keys reach the
    // program only through a Wine window that has the focus.
    void focusGauge() {
        activate(d, main_);
        ASSERT_TRUE(waitUntil([&] { return activeWindow(d) == main_; }))
            << "the window manager never gave the gauge the focus";
        std::string said;
        ASSERT_TRUE(waitUntil([&] {
            said = probe({"foreground"});
            return said.find("foreground=Main") != std::string::npos;
        })) << "Wine's foreground window: "
            << said;
    }

    static inline WineSession* session_ = nullptr;
    Display* d = nullptr;
    pid_t gauge_ = 0;
    Window main_ = 0;
    int gx = 0, gy = 0;
};

TEST_F(WineGauge, GaugeIs128SquareAtItsPlaceAboveOthersAtAlpha200) {
    ASSERT_NO_FATAL_FAILURE(start("battery57"));
    const Geometry g = geometry(d, main_);
    EXPECT_EQ(g, (Geometry{2, 33, 128, 128})) << "Left 25, Top 500, 1920 twips square at 96 dpi";
    EXPECT_TRUE(waitUntil([&] { return gaugeOpacity() == opacity(200); }));
    EXPECT_TRUE(hasAtom(d, main_, "_NET_WM_STATE", "_NET_WM_STATE_ABOVE"));
    EXPECT_TRUE(hasAtom(d, main_, "_NET_WM_STATE", "_NET_WM_STATE_SKIP_TASKBAR"))
        << "a tool window stays out of the taskbar";
}

struct PowerCase {
    const char* fixture;
    const char* level;   // the level picture the percentage selects
    const char* battery; // PileOff (bolt) on mains, PileOn on battery
    const char* other;
};

class WineGaugePictures : public WineGauge, public ::testing::WithParamInterface<PowerCase> {};

TEST_P(WineGaugePictures, ShowTheLevelAndThePowerSource) {
    const auto& c = GetParam();
    ASSERT_NO_FATAL_FAILURE(start(c.fixture));
    const Image level = readBmp24(artwork + "/" + c.level);
    const Image battery = readBmp24(artwork + "/" + c.battery);
    const Image other = readBmp24(artwork + "/" + c.other);
    // The bolt's upper part, clear of the label, the buttons and the slider.
    const int bx0 = 26, by0 = 50, bx1 = 51, by1 = 85;
    ASSERT_FALSE(sameRegion(battery, 0, other, bx0, by0, bx1, by1)) << "region tells them apart";
    Image shot;
    const bool shown = waitUntil([&] {
        shot = grab(d, main_, 0, 0, 128, 128);
        // The level column below the slider, and the battery's bolt region.
        return sameRegion(shot, 85, level, 0, 10, 42, 127) &&
               sameRegion(shot, 0, battery, bx0, by0, bx1, by1);
    });
    if (!shown) shot.writePpm(session_->x().path(std::string(c.fixture) + ".ppm"));
    EXPECT_TRUE(shown) << c.level << " and " << c.battery << " expected; grab in "
                       << session_->x().path(std::string(c.fixture) + ".ppm");
}

INSTANTIATE_TEST_SUITE_P(
    Wine, WineGaugePictures,
    ::testing::Values(PowerCase{"battery57", "level6.bmp", "pile_on.bmp", "pile_off.bmp"},
                      PowerCase{"mains57", "level6.bmp", "pile_off.bmp", "pile_on.bmp"}),
    [](const auto& info) { return std::string(info.param.fixture); });

TEST_F(WineGauge, OptionsMenuOpensFromAClickWithCaptionsCheckMarksAndTheBarsSubMenu) {
    ASSERT_NO_FATAL_FAILURE(start("battery57"));
    const Window menu = openOptions();
    ASSERT_NE(menu, 0u) << "no menu after a click on the options button";
    // Wine maps a menu's window before it has drawn into it: wait for the drawing.
    EXPECT_TRUE(waitUntil([&] { return menuLooksLike(menu, initialMenu); }));
    auto [cx, cy] = entryCentre(menu, 3, 5); // "Cacher // F8"
    moveMouse(d, cx, cy);
    ASSERT_TRUE(waitUntil([&] { return findPopupMenus(d, "sorvane.exe").size() == 2; }))
        << "the bars sub-menu did not open";
    EXPECT_TRUE(waitUntil(
        [&] { return menuLooksLike(findPopupMenus(d, "sorvane.exe").back(), barsMenu); }));
    closeMenus();
}

TEST_F(WineGauge, ThreeBarsHidesTheGaugeWithTheRecallKeyBoxAndF8BringsItBack) {
    ASSERT_NO_FATAL_FAILURE(start("battery57"));
    ASSERT_TRUE(waitUntil([&] { return gaugeOpacity() == opacity(200); }));
    ASSERT_NO_FATAL_FAILURE(hideWithThreeBars());

    focusGauge();
    tapKey(d, XK_F8);
    EXPECT_TRUE(waitUntil([&] { return gaugeOpacity() == opacity(250); }))
        << "F8 brings the gauge back at alpha 250";

    // Started again, the program brings the hidden gauge back and leaves: one gauge. Its
    // arguments change nothing.
    ASSERT_NO_FATAL_FAILURE(hideWithThreeBars());
    const auto again = session_->runToEnd(
        session_->wineWithPower(fixtures + "/battery57", {SORVANE_EXE, "--help", "/x"}));
    EXPECT_TRUE(again.finished) << "the second start stayed";
    EXPECT_EQ(again.exitCode, 0) << again.text;
    EXPECT_TRUE(waitUntil([&] { return gaugeOpacity() == opacity(250); }))
        << "the second start did not bring the gauge back";
    EXPECT_EQ(gaugeWindows(), 1u);
    EXPECT_TRUE(running());
}

TEST_F(WineGauge, TwoStartsAtTheSameInstantEndWithOneGauge) {
    const auto command = session_->wineWithPower(fixtures + "/battery57", {SORVANE_EXE});
    gauge_ = session_->x().spawn(command, "sorvane");
    const pid_t other = session_->x().spawn(command, "sorvane-again");
    int exitCode = -1;
    pid_t left = 0;
    ASSERT_TRUE(waitUntil(
        [&] {
            for (pid_t p : {gauge_, other})
                if (!isRunning(p, &exitCode)) return (left = p) != 0;
            return false;
        },
        30s))
        << "both still run" << windowList();
    EXPECT_EQ(exitCode, 0);
    if (left == gauge_) gauge_ = other; // the one still running is the gauge, ended at teardown
    ASSERT_TRUE(waitUntil([&] { return (main_ = findProgramWindow(d, "sorvane.exe", "Main")); }));
    EXPECT_EQ(gaugeWindows(), 1u);
    EXPECT_FALSE(waitUntil([&] { return gaugeWindows() > 1; }, 1s)) << windowList();
}

// "3 barre" from the options menu, then OK on the box that names the recall key.
void WineGauge::hideWithThreeBars() {
    const Window menu = openOptions();
    ASSERT_NE(menu, 0u);
    auto [cx, cy] = entryCentre(menu, 3, 5);
    moveMouse(d, cx, cy);
    ASSERT_TRUE(waitUntil([&] { return findPopupMenus(d, "sorvane.exe").size() == 2; }));
    auto [bx, by] = entryCentre(findPopupMenus(d, "sorvane.exe").back(), 2, 8); // "3 barre"
    click(d, bx, by);

    EXPECT_TRUE(waitUntil([&] { return gaugeOpacity() == opacity(0); }))
        << "alpha 0 hides the gauge";
    const auto box = probe({"box", "Touche Rappel"});
    const auto facts = lines(box);
    ASSERT_TRUE(contains(facts, "title=Touche Rappel")) << "no \"Touche Rappel\" box: " << box;
    EXPECT_TRUE(contains(facts, "text=Pour réafficher le programme :: F8")) << box;
    // Its OK button, by the position the box reports.
    int x = 0, y = 0, w = 0, h = 0;
    for (const auto& f : facts)
        if (std::sscanf(f.c_str(), "button 1 %d %d %d %d", &x, &y, &w, &h) == 4) break;
    ASSERT_GT(w, 0) << box;
    click(d, x + w / 2, y + h / 2);
    EXPECT_TRUE(waitUntil([&] { return !findProgramWindow(d, "sorvane.exe", "Touche Rappel"); }))
        << "OK closes the box";
}

TEST_F(WineGauge, F5F6F7WithTheGaugeFocusedFlipTheCheckMarks) {
    ASSERT_NO_FATAL_FAILURE(start("battery57"));
    const unsigned long keys[] = {XK_F5, XK_F6, XK_F7, XK_F5};
    for (std::size_t i = 0; i < std::size(keys); ++i) {
        ASSERT_NO_FATAL_FAILURE(focusGauge());
        tapKey(d, keys[i]);
        EXPECT_TRUE(optionsMenuBecomes(hotKeyMenus[i])) << "after key 0x" << std::hex << keys[i];
    }
}

TEST_F(WineGauge, AboutBoxNamesTheProgramAndItsMaker) {
    ASSERT_NO_FATAL_FAILURE(start("battery57"));
    const Window menu = openOptions();
    ASSERT_NE(menu, 0u);
    auto [cx, cy] = entryCentre(menu, 4, 5); // "A Propos De Sorvane"
    click(d, cx, cy);
    const auto box = probe({"box", "Sorvane"});
    const auto facts = lines(box);
    ASSERT_TRUE(contains(facts, "title=Sorvane")) << "no box titled \"Sorvane\": " << box;
    EXPECT_TRUE(contains(facts, "text=Sorvane Par Quillet.")) << box;
    EXPECT_TRUE(running()) << "the about box does not end the program";
}

TEST_F(WineGauge, NoBatteryQuestionAnsweredYesEndsTheProgram) {
    ASSERT_NO_FATAL_FAILURE(start("nobattery"));
    const auto box = probe({"box", "Info - Batterie"});
    const auto facts = lines(box);
    ASSERT_TRUE(contains(facts, "title=Info - Batterie"))
        << "no question on a machine without a battery: " << box;
    EXPECT_TRUE(contains(facts, "text=Vous n'avez pas de batterie :: Quitter?")) << box;
    int x = 0, y = 0, w = 0, h = 0;
    for (const auto& f : facts)
        if (std::sscanf(f.c_str(), "button 6 %d %d %d %d", &x, &y, &w, &h) == 4) break;
    ASSERT_GT(w, 0) << "no Yes button: " << box;
    click(d, x + w / 2, y + h / 2);
    ASSERT_TRUE(ended()) << "Yes ends the program";
    ASSERT_NO_FATAL_FAILURE(start("battery57")) << "the ended gauge still holds the session";
}

TEST_F(WineGauge, TheLevelFollowsTheBatteryWhileTheGaugeIsDragged) {
    // The system's move loop runs inside the program's MouseMove handler until the button is
    // released; the readings and the refresh go on meanwhile.
    const std::string battery = session_->x().path("dragged-battery");
    std::filesystem::remove_all(battery);
    std::filesystem::copy(fixtures + "/battery57", battery,
                          std::filesystem::copy_options::recursive);
    ASSERT_NO_FATAL_FAILURE(start(battery));
    const Image level6 = readBmp24(artwork + "/level6.bmp");
    const Image level3 = readBmp24(artwork + "/level3.bmp");
    auto shows = [&](const Image& level) {
        return sameRegion(grab(d, main_, 0, 0, 128, 128), 85, level, 0, 10, 42, 127);
    };
    ASSERT_TRUE(waitUntil([&] { return shows(level6); }));

    moveMouse(d, gx + 40, gy + 60);
    buttonDown(d);
    // The pointer keeps moving until the window manager, asked by the move loop, moves the
    // window with it.
    int step = 0;
    const bool moving = waitUntil(
        [&] {
            ++step;
            moveMouse(d, gx + 40 + step % 50, gy + 60 + step % 50);
            return geometry(d, main_).x != gx;
        },
        5s);
    {
        std::ofstream(battery + "/BAT0/charge_now") << "1250000\n";
        std::ofstream(battery + "/BAT0/capacity") << "25\n";
    }
    const bool followed = waitUntil([&] { return shows(level3); }, 5s);
    buttonUp(d);
    ASSERT_TRUE(moving) << "the gauge did not follow the pointer";
    EXPECT_TRUE(followed) << "25 % shows level 3 while the button is still down";

    // Dropped in the screen's corner, most of the gauge is out of reach: F8, and a change of
    // the monitors, each bring it back whole inside the screen.
    const int width = DisplayWidth(d, DefaultScreen(d));
    const int height = DisplayHeight(d, DefaultScreen(d));
    const auto dropInCorner = [&] {
        const Geometry g = waitUntilSettled([&] { return geometry(d, main_); }, 200ms, 3s);
        int x = g.x + 40, y = g.y + 60;
        moveMouse(d, x, y);
        buttonDown(d);
        // Small moves until the move loop runs, then on towards the corner in steps, so that a
        // loop that starts late still has the way to go.
        bool started = false;
        const bool there = waitUntil(
            [&] {
                ++step;
                started = started || geometry(d, main_).x != g.x;
                if (started) {
                    x = std::min(width - 10, x + 40);
                    y = std::min(height - 10, y + 40);
                    moveMouse(d, x - step % 2, y);
                } else {
                    moveMouse(d, x + step % 50, y + step % 50);
                }
                return geometry(d, main_).x > width - 128;
            },
            5s, 30ms);
        buttonUp(d);
        return there;
    };
    const auto reachable = [&] {
        return waitUntil([&] {
            const Geometry g = geometry(d, main_);
            return g.x >= 0 && g.y >= 0 && g.x + static_cast<int>(g.width) <= width &&
                   g.y + static_cast<int>(g.height) <= height;
        });
    };
    ASSERT_TRUE(dropInCorner()) << "the gauge did not follow the pointer into the corner";
    focusGauge();
    tapKey(d, XK_F8);
    EXPECT_TRUE(reachable()) << "F8 left the gauge out of reach";
    ASSERT_TRUE(dropInCorner()) << "the gauge did not follow the pointer into the corner";
    probe({"displaychange", "Main"});
    EXPECT_TRUE(reachable()) << "a change of the monitors left the gauge out of reach";
}

TEST_F(WineGauge, BelowFivePercentTheEmptyPictureIsPaintedBeforeTheFirstTone) {
    // Wine's Beep returns at once, so the order shows only in the program's own calls, traced
    // through Wine's relay: the picture changed, painted, then the tones.
    const std::string battery = session_->x().path("low-battery");
    std::filesystem::remove_all(battery);
    std::filesystem::copy(fixtures + "/battery57", battery,
                          std::filesystem::copy_options::recursive);
    std::ofstream(battery + "/BAT0/charge_now") << "150000\n";
    std::ofstream(battery + "/BAT0/capacity") << "3\n";
    const std::string key = "HKCU\\Software\\Wine\\Debug";
    auto reg = [&](std::vector<std::string> args) {
        args.insert(args.begin(), "reg");
        return session_->runToEnd(session_->wine(args)).finished;
    };
    ASSERT_TRUE(reg({"add", key, "/v", "RelayInclude", "/d",
                     "Beep;InvalidateRect;UpdateWindow;BeginPaint;EndPaint", "/f"}));
    ASSERT_TRUE(reg({"add", key, "/v", "RelayFromInclude", "/d", "sorvane.exe", "/f"}));
    const char* before = std::getenv("SORVANE_WINEDEBUG");
    const std::string kept = before ? before : "";
    setenv("SORVANE_WINEDEBUG", "+relay", 1);
    start(battery);
    if (before)
        setenv("SORVANE_WINEDEBUG", kept.c_str(), 1);
    else
        unsetenv("SORVANE_WINEDEBUG");
    const bool traced = waitUntil(
        [&] { return session_->x().log("sorvane").find(".Beep(") != std::string::npos; }, 10s);
    EXPECT_TRUE(reg({"delete", key, "/f"})); // later traces unfiltered
    ASSERT_TRUE(traced) << "no Beep traced:\n" << session_->x().log("sorvane");

    // The calls up to the first tone; after the last invalidation before it, a paint.
    std::vector<std::string> calls;
    for (const auto& l : lines(session_->x().log("sorvane"))) {
        const auto at = l.find("Call ");
        if (at == std::string::npos) continue;
        const auto name = l.substr(at + 5, l.find('(', at) - at - 5);
        if (name.find(' ') != std::string::npos) continue; // "Call window proc ..."
        calls.push_back(name.substr(name.find('.') + 1));
        if (calls.back() == "Beep") break;
    }
    const auto invalidated = std::find(calls.rbegin(), calls.rend(), "InvalidateRect");
    ASSERT_NE(invalidated, calls.rend()) << "the empty picture was never asked for";
    std::vector<std::string> after(invalidated.base(), calls.end());
    std::erase(after, "UpdateWindow"); // one per window, whether it has anything to paint
    EXPECT_EQ(after, (std::vector<std::string>{"BeginPaint", "EndPaint", "Beep"}));
}

TEST_F(WineGauge, CloseButtonEndsTheProgram) {
    ASSERT_NO_FATAL_FAILURE(start("battery57"));
    moveMouse(d, gx + 300, gy + 300);
    click(d, gx + 9, gy + 9);
    ASSERT_TRUE(ended());
    // However the gauge ended, the next start is the gauge.
    ASSERT_NO_FATAL_FAILURE(start("battery57")) << "the closed gauge still holds the session";
    ::kill(gauge_, SIGKILL);
    session_->x().end(gauge_);
    gauge_ = 0;
    ASSERT_TRUE(waitUntil([&] { return gaugeWindows() == 0; }, 10s)) << windowList();
    ASSERT_NO_FATAL_FAILURE(start("battery57")) << "the killed gauge still holds the session";
    EXPECT_EQ(gaugeWindows(), 1u);
}

// What keeps the gauge from looking whole at `side` px square: the window's background colour
// showing between or around the pictures, or a break in the black frame the pictures draw round
// the panel. Empty when whole.
std::string gapsIn(const Image& shot, int side) {
    const Rgb background{245, 245, 252};
    int uncovered = 0;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            uncovered += shot.at(x, y) == background;
    if (uncovered) return std::to_string(uncovered) + " pixels of background show";
    auto dark = [](Rgb c) { return c.r < 80 && c.g < 80 && c.b < 80; };
    for (int i = 0; i < side; ++i) {
        const std::pair<int, int> edge[] = {{i, 0}, {i, side - 1}, {0, i}, {side - 1, i}};
        for (auto [x, y] : edge)
            if (!dark(shot.at(x, y)))
                return "the frame is broken at " + std::to_string(x) + "," + std::to_string(y) +
                       ": " + describe(shot.at(x, y));
    }
    return {};
}

// Run last: each changes the prefix's DPI and puts it back.
template <int Dpi> class WineGaugeAtDpi : public WineGauge {
  protected:
    void SetUp() override {
        WineGauge::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        ASSERT_TRUE(setDpi(Dpi));
    }
    void TearDown() override {
        WineGauge::TearDown();
        if (session_) setDpi(96);
    }
    bool setDpi(int dpi) {
        return session_
            ->runToEnd(
                session_->wine({"reg", "add", "HKCU\\Control Panel\\Desktop", "/v", "LogPixels",
                                "/t", "REG_DWORD", "/d", std::to_string(dpi), "/f"}))
            .finished;
    }
};
using WineGaugeAt192Dpi = WineGaugeAtDpi<192>;
using WineGaugeAt120Dpi = WineGaugeAtDpi<120>;

TEST_F(WineGaugeAt192Dpi, TheGaugeDoublesAndShowsThe2xPictures) {
    ASSERT_NO_FATAL_FAILURE(start("mains57"));
    EXPECT_EQ(geometry(d, main_), (Geometry{3, 67, 256, 256}))
        << "1920 twips are 256 px at 192 dpi; Left 25 and Top 500 twips are 3 and 67 px";
    const Image level = readBmp24(artwork + "/level6@2x.bmp");
    const Image battery = readBmp24(artwork + "/pile_off@2x.bmp");
    ASSERT_EQ(level.width, 86);
    Image shot;
    std::string gaps;
    const bool shown = waitUntil([&] {
        shot = grab(d, main_, 0, 0, 256, 256);
        gaps = gapsIn(shot, 256);
        // ImgBat right after the 170 px battery; below the slider (3..20), clear of the label.
        return sameRegion(shot, 170, level, 0, 22, 84, 255) &&
               sameRegion(shot, 0, battery, 52, 100, 103, 171) && gaps.empty();
    });
    if (!shown) shot.writePpm(session_->x().path("dpi192.ppm"));
    EXPECT_TRUE(shown) << "the drawn 2x pictures, not the 1x ones enlarged, side by side; " << gaps;
}

TEST_F(WineGaugeAt120Dpi, TheGaugeGrowsAQuarterWithItsPicturesScaledToFit) {
    ASSERT_NO_FATAL_FAILURE(start("mains57"));
    EXPECT_EQ(geometry(d, main_), (Geometry{2, 42, 160, 160}))
        << "1920 twips are 160 px at 120 dpi; Left 25 and Top 500 twips are 2 and 42 px";
    // Points of the 96-dpi pictures, a quarter further out: inside the bolt of PileOff (pale
    // cream; PileOn is yellow there), and the middle of each bar of level 6 (the bottom six
    // lit, orange; the top three dark).
    auto at120 = [](int v) { return v * 5 / 4; };
    auto lit = [](Rgb c) { return c.r > 200 && c.g > 80 && c.b < 80; };
    auto unlit = [](Rgb c) { return c.r < 120 && c.g < 100 && c.b < 60; };
    const int barMiddles[] = {20, 31, 42, 54, 65, 76, 87, 98, 109};
    Image shot;
    std::string wrong;
    const bool whole = waitUntil([&] {
        shot = grab(d, main_, 0, 0, 160, 160);
        wrong = gapsIn(shot, 160);
        const Rgb bolt = shot.at(at120(40), at120(68));
        if (wrong.empty() && !(bolt.r > 230 && bolt.g > 225 && bolt.b > 180))
            wrong = "no bolt: " + describe(bolt);
        for (int i = 0; i < 9 && wrong.empty(); ++i) {
            const Rgb bar = shot.at(at120(85 + 17), at120(barMiddles[i]));
            if (!(i < 3 ? unlit(bar) : lit(bar)))
                wrong = "bar " + std::to_string(i + 1) + " from the top: " + describe(bar);
        }
        return wrong.empty();
    });
    if (!whole) shot.writePpm(session_->x().path("dpi120.ppm"));
    EXPECT_TRUE(whole) << wrong << "; grab in " << session_->x().path("dpi120.ppm");
}

struct PowerRecord {
    const char* fixture;
    std::vector<std::string> lines;
};

class WinePowerTool : public WineGauge, public ::testing::WithParamInterface<PowerRecord> {};

TEST_P(WinePowerTool, PrintsWhatWineReadsFromTheFixture) {
    const auto r = session_->runToEnd(
        session_->wineWithPower(fixtures + "/" + GetParam().fixture, {SORVANE_POWER_EXE}));
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(lines(r.text), GetParam().lines);
}

// Like its Linux twin: --help and --version on stdout with 0, a bad argument refused with 2.
TEST_F(WineGauge, PowerToolAnswersItsOptions) {
    struct Row {
        const char* arg;
        int exitCode;
        std::string said;
    };
    for (const Row& row : {Row{"--help", 0, "Usage: sorvane-power [--help] [--version]\n"},
                           Row{"--version", 0, "sorvane-power " SORVANE_VERSION "\n"},
                           Row{"--bogus", 2, "sorvane-power: unknown option '--bogus'"},
                           Row{"C:\\", 2, "sorvane-power: unexpected argument 'C:\\'"}}) {
        auto r = session_->runToEnd(session_->wine({SORVANE_POWER_EXE, row.arg}));
        std::erase(r.text, '\r'); // the console's line ends
        ASSERT_TRUE(r.finished) << row.arg;
        EXPECT_EQ(r.exitCode, row.exitCode) << row.arg << ": " << r.text;
        EXPECT_NE(r.text.find(row.said), std::string::npos) << row.arg << ": " << r.text;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Wine, WinePowerTool,
    ::testing::Values(PowerRecord{"battery57",
                                  {"ACLineStatus=0", "BatteryFlag=0", "BatteryLifePercent=57",
                                   "BatteryLifeTime=6840", "BatteryFullLifeTime=12000"}},
                      PowerRecord{"mains57",
                                  {"ACLineStatus=1", "BatteryFlag=8", "BatteryLifePercent=57",
                                   "BatteryLifeTime=-1", "BatteryFullLifeTime=-1"}},
                      PowerRecord{"nobattery",
                                  {"ACLineStatus=1", "BatteryFlag=128", "BatteryLifePercent=255",
                                   "BatteryLifeTime=-1", "BatteryFullLifeTime=-1"}}),
    [](const auto& info) { return std::string(info.param.fixture); });

} // namespace

namespace {

// The program's own system calls, traced by Wine call by call and held against the sequences of
// call_contract.txt: what Wine cannot show (the entrance animation, the tones, the shell windows
// it does not have) is still checked as the calls the program makes.
class WineCallContract : public WineGauge {
  protected:
    void SetUp() override {
        WineGauge::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        contract_ = readContract(SORVANE_CALL_CONTRACT);
        // Only calls made from the program's own code, of these functions: not Wine's calls
        // among its own DLLs, and none of the program's other calls.
        static const char* const traced =
            "GetSystemPowerStatus;Beep;GetAsyncKeyState;FindWindowA;SetWindowPos;ShowWindow;"
            "ReleaseCapture;SendMessageA;AnimateWindow;GetWindowLongA;SetWindowLongA;"
            "SetLayeredWindowAttributes;MessageBoxA;MessageBoxW";
        for (auto [name, value] : {std::pair{"RelayInclude", traced},
                                   std::pair{"RelayFromInclude", "Sorvane.exe;Sorvane-faults.exe"}})
            ASSERT_TRUE(
                session_
                    ->runToEnd(session_->wine({"reg", "add", "HKCU\\Software\\Wine\\Debug", "/v",
                                               name, "/t", "REG_SZ", "/d", value, "/f"}))
                    .finished);
    }

    void TearDown() override {
        // The session's folder goes with it: a failing run keeps its trace.
        if (HasFailure() && !log_.empty())
            std::filesystem::copy_file(log_, "wine-contract-" + std::to_string(runs_) + ".log",
                                       std::filesystem::copy_options::overwrite_existing);
        WineGauge::TearDown();
    }

    // Starts an exe traced, on a fixture folder, and names its two windows.
    void startTraced(const std::string& exe, const std::string& folder) {
        if (HasFailure() && !log_.empty())
            std::filesystem::copy_file(log_, "wine-contract-" + std::to_string(runs_) + ".log",
                                       std::filesystem::copy_options::overwrite_existing);
        exe_ = std::filesystem::path(exe).filename().string();
        std::string lower = exe_;
        for (char& c : lower)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        log_ = session_->x().path("trace" + std::to_string(++runs_) + ".log");
        std::filesystem::remove(log_);
        gauge_ = session_->x().spawn(
            session_->wineWithPower(folder, {exe}, "+timestamp,+pid,+loaddll,+relay"),
            "trace" + std::to_string(runs_));
        ASSERT_TRUE(waitUntil([&] { return (main_ = findProgramWindow(d, lower, "Main")); }, 30s))
            << "no gauge window" << windowList();
        const Geometry g = geometry(d, main_);
        gx = g.x;
        gy = g.y;
        handles_.clear();
        for (const char* title : {"Main", "F8"}) {
            unsigned long long h = 0;
            for (const auto& l : lines(probe({"window", title})))
                if (std::sscanf(l.c_str(), "handle 0x%llx", &h) == 1) break;
            ASSERT_NE(h, 0u) << "no handle for " << title;
            handles_[title] = static_cast<std::uint32_t>(h);
        }
        cursor_ = 0;
    }

    std::vector<TracedCall> calls() {
        std::ifstream in(log_);
        std::stringstream s;
        s << in.rdbuf();
        return parseRelayTrace(s.str(), exe_);
    }

    // Skips the readings and idle polls made since the last step. At the end of a run any
    // other call is a fault; before a step, it is the step's to judge.
    void between(const std::string& next, bool last = false) {
        const auto all = calls();
        for (; cursor_ < all.size(); ++cursor_) {
            const auto& c = all[cursor_];
            if (c.function == "GetAsyncKeyState" && !c.result) break;
            const bool idle = c.function == "GetSystemPowerStatus" ||
                              (c.function == "GetAsyncKeyState" && *c.result == 0);
            if (idle) continue;
            if (!last) break;
            ADD_FAILURE() << "before " << next << ": the program made " << describe(c, handles_);
        }
    }

    // Does what `action` says, then waits until the program's calls since hold the step.
    // Returns the calls the step took.
    std::vector<TracedCall> step(const std::string& name, const std::function<void()>& action,
                                 std::chrono::milliseconds within = 6s) {
        between(name);
        const auto it = contract_.find(name);
        if (it == contract_.end()) {
            ADD_FAILURE() << "no step \"" << name << "\" in the contract";
            return {};
        }
        const std::size_t from = cursor_;
        if (action) action();
        StepCheck check;
        std::vector<TracedCall> all;
        const auto done = [&] {
            all = calls();
            Handles h = handles_;
            const std::vector<TracedCall> since(all.begin() + static_cast<long>(from), all.end());
            check = checkStep(it->second, since, h);
            if (check.matched) handles_ = h;
            return check.matched || check.complete;
        };
        const bool settled = waitUntil(done, within, 50ms);
        if (it->second.repeats && check.matched) {
            // A repeated sequence is taken whole once the calls stop coming.
            std::size_t seen = 0;
            waitUntil(
                [&] {
                    done();
                    const bool quiet = check.used == seen;
                    seen = check.used;
                    return quiet && check.matched;
                },
                within, 300ms);
        }
        if (!settled || !check.matched) {
            ADD_FAILURE() << (check.why.empty() ? "step \"" + name + "\" did not happen"
                                                : check.why)
                          << "\n(trace kept in wine-contract-" << runs_ << ".log)";
            cursor_ = all.size();
            return {};
        }
        cursor_ = from + check.used;
        return {all.begin() + static_cast<long>(from), all.begin() + static_cast<long>(cursor_)};
    }

    // Clicks entry `index` of the options menu (of 5), or of its bars sub-menu (of 8).
    void chooseMenu(int index, bool bars = false) {
        // A click while the last menu is still closing is taken by Wine's menu loop, and lost:
        // the button sees nothing, so it is clicked again.
        waitUntil([&] { return findPopupMenus(d, "sorvane.exe").empty(); }, 3s);
        Window menu = openOptions();
        if (!menu) menu = openOptions();
        ASSERT_NE(menu, 0u) << "no options menu";
        // Wine maps a menu before it has its final place: click once it stays put.
        waitUntilSettled([&] { return geometry(d, menu); }, 200ms, 3s);
        if (bars) {
            auto [cx, cy] = entryCentre(menu, 3, 5);
            moveMouse(d, cx, cy);
            ASSERT_TRUE(waitUntil([&] { return findPopupMenus(d, "sorvane.exe").size() == 2; }));
            // Wine maps the sub-menu before it has its final place: click once it stays put.
            waitUntilSettled(
                [&] {
                    const auto menus = findPopupMenus(d, "sorvane.exe");
                    return menus.size() == 2 ? geometry(d, menus.back()) : Geometry{};
                },
                200ms, 3s);
            const auto menus = findPopupMenus(d, "sorvane.exe");
            ASSERT_EQ(menus.size(), 2u) << "the bars sub-menu closed";
            auto [bx, by] = entryCentre(menus.back(), index, 8);
            moveMouse(d, bx, by);
            click(d, bx, by);
        } else {
            auto [cx, cy] = entryCentre(menu, index, 5);
            click(d, cx, cy);
        }
        moveMouse(d, gx + 300, gy + 300);
    }

    // Presses the button of a box of the program (1 OK, 6 Yes, 7 No).
    void answerBox(const std::string& title, int button) {
        int x = 0, y = 0, w = 0, h = 0;
        const std::string want = "button " + std::to_string(button) + " %d %d %d %d";
        waitUntil([&] {
            for (const auto& f : lines(probe({"box", title})))
                if (std::sscanf(f.c_str(), want.c_str(), &x, &y, &w, &h) == 4) break;
            return w > 0;
        });
        ASSERT_GT(w, 0) << "no box \"" << title << "\" with button " << button;
        // A box may take a click before it takes input: press until it has gone.
        const bool gone = waitUntil(
            [&] {
                click(d, x + w / 2, y + h / 2);
                return waitUntil([&] { return !findProgramWindow(d, "sorvane.exe", title); }, 1s);
            },
            6s);
        moveMouse(d, gx + 300, gy + 300);
        EXPECT_TRUE(gone) << "the box \"" << title << "\" stayed";
    }

    // The key polls between two calls: F8 every 50 ms, and F7, F6, F5 together every 150 ms.
    void expectKeyBeats(const std::vector<TracedCall>& all, double from, double to,
                        const std::string& when) {
        std::vector<double> f8, f7;
        for (std::size_t i = 0; i < all.size(); ++i) {
            const auto& c = all[i];
            if (c.function != "GetAsyncKeyState" || c.ms < from || c.ms > to) continue;
            if (c.args[0] == 0x77) f8.push_back(c.ms);
            if (c.args[0] == 0x76) {
                f7.push_back(c.ms);
                const bool together = i + 2 < all.size() &&
                                      all[i + 1].args == std::vector<std::uint32_t>{0x75} &&
                                      all[i + 2].args == std::vector<std::uint32_t>{0x74};
                EXPECT_TRUE(together)
                    << when << ": F7 was not followed by F6 and F5 at " << c.ms << " ms";
            }
        }
        expectBeat(f8, 50, when + ": F8 polls");
        expectBeat(f7, 150, when + ": F7, F6, F5 polls");
    }

    // A timer never fires early, and a loaded machine only makes it late: the typical gap is
    // held to the beat from below, with room above.
    static void expectBeat(const std::vector<double>& at, double beat, const std::string& what) {
        const double gap = medianGap(at);
        EXPECT_TRUE(gap >= beat - std::max(10.0, beat / 20) &&
                    gap <= beat + std::max(30.0, beat / 10))
            << what << ": every " << gap << " ms, not every " << beat << " ms";
    }

    static double medianGap(const std::vector<double>& at) {
        if (at.size() < 3) return 0;
        std::vector<double> gaps;
        for (std::size_t i = 1; i < at.size(); ++i)
            gaps.push_back(at[i] - at[i - 1]);
        std::nth_element(gaps.begin(), gaps.begin() + static_cast<long>(gaps.size() / 2),
                         gaps.end());
        return gaps[gaps.size() / 2];
    }

    static std::vector<double> times(const std::vector<TracedCall>& calls, const std::string& fn) {
        std::vector<double> out;
        for (const auto& c : calls)
            if (c.function == fn) out.push_back(c.ms);
        return out;
    }

    std::map<std::string, ContractStep> contract_;
    Handles handles_;
    std::string log_, exe_;
    std::size_t cursor_ = 0;
    int runs_ = 0;
};

TEST_F(WineCallContract, AWholeSessionMakesTheCallsInOrderWithTheirArgumentsAndRhythm) {
    const std::string battery = session_->x().path("contract-battery");
    std::filesystem::remove_all(battery);
    std::filesystem::remove_all(battery + "-gone");
    std::filesystem::copy(fixtures + "/battery57", battery,
                          std::filesystem::copy_options::recursive);
    ASSERT_NO_FATAL_FAILURE(startTraced(SORVANE_EXE, battery));
    const auto start = steady();
    step("start-up", nullptr);

    const auto idle = step("ten idle seconds", nullptr, 14s);
    const auto readings = times(idle, "GetSystemPowerStatus");
    EXPECT_GE(readings.size(), 10u);
    expectBeat(readings, 1000, "readings");
    if (!readings.empty()) expectKeyBeats(calls(), readings.front(), readings.back(), "idle");

    ASSERT_NO_FATAL_FAILURE(focusGauge());
    step("F5", [&] { tapKey(d, XK_F5); });
    step("F6", [&] { tapKey(d, XK_F6); });
    step("F7", [&] { tapKey(d, XK_F7); });
    const auto together = step("F7, F6 and F5 in one tick", [&] {
        for (auto k : {XK_F7, XK_F6, XK_F5})
            XTestFakeKeyEvent(d, XKeysymToKeycode(d, k), True, 0);
        for (auto k : {XK_F7, XK_F6, XK_F5})
            XTestFakeKeyEvent(d, XKeysymToKeycode(d, k), False, 0);
        XSync(d, False);
    });
    // One tick: the three polls that saw the keys follow each other.
    std::vector<double> seen;
    for (const auto& c : together)
        if (c.function == "GetAsyncKeyState" && c.result && *c.result) seen.push_back(c.ms);
    EXPECT_TRUE(seen.size() == 3 && seen.back() - seen.front() < 75)
        << "F7, F6 and F5 were seen in more than one tick";

    step("menu: TaskBar F6", [&] { chooseMenu(1); });
    step("menu: IconBureau F7", [&] { chooseMenu(2); });
    step("menu: Beep", [&] { chooseMenu(0); });
    step("menu: about", [&] {
        chooseMenu(4);
        answerBox("Sorvane", 1);
    });
    for (int bars = 1; bars <= 5; ++bars)
        step("menu: a bars item", [&] {
            chooseMenu(bars - 1, true);
            answerBox("Touche Rappel", 1);
        });
    ASSERT_NO_FATAL_FAILURE(focusGauge());
    step("F8, the slider still at 200", [&] { tapKey(d, XK_F8); });
    const auto held = step("F8 held down", [&] {
        keyDown(d, XK_F8);
        waitUntil([&] {
            int polls = 0;
            const auto all = calls();
            for (std::size_t i = cursor_; i < all.size(); ++i)
                polls += all[i].args == std::vector<std::uint32_t>{0x77} && all[i].result &&
                         *all[i].result;
            return polls >= 8;
        });
        keyUp(d, XK_F8);
    });
    std::vector<double> f8;
    for (const auto& c : held)
        if (c.function == "GetAsyncKeyState" && c.args[0] == 0x77) f8.push_back(c.ms);
    EXPECT_GE(f8.size(), 8u);
    expectBeat(f8, 50, "a held F8");

    // 57 %: level 6. Six bars and more bring the gauge back at the next 2 s tick.
    step("a bars item at or above the level, beep off", [&] {
        chooseMenu(5, true);
        answerBox("Touche Rappel", 1);
    });
    ASSERT_NO_FATAL_FAILURE(focusGauge());
    step("F5", [&] { tapKey(d, XK_F5); });
    for (int bars : {7, 8}) {
        const auto recalled = step("a bars item at or above the level, beep on", [&] {
            chooseMenu(bars - 1, true);
            answerBox("Touche Rappel", 1);
        });
        EXPECT_EQ(times(recalled, "Beep").size(), 5u);
    }

    step("drag", [&] {
        moveMouse(d, gx + 40, gy + 60);
        buttonDown(d);
        // Until the window manager, asked by the move loop, moves the gauge with the pointer.
        int i = 0;
        EXPECT_TRUE(waitUntil([&] {
            ++i;
            moveMouse(d, gx + 40 + i % 30, gy + 60 + i % 20);
            return geometry(d, main_).x != gx;
        })) << "the gauge did not follow the pointer";
        buttonUp(d);
    });
    moveMouse(d, gx + 300, gy + 300);
    {
        const Geometry g = waitUntilSettled([&] { return geometry(d, main_); }, 300ms, 3s);
        gx = g.x;
        gy = g.y;
    }
    // The slider: Left 690, Top 10 twips, 1215 twips wide; its thumb near the right at 250.
    step("slider: left arrow", [&] { click(d, gx + 50, gy + 5); });
    step("slider: track left of the thumb", [&] { click(d, gx + 66, gy + 5); });
    step("slider: right arrow", [&] { click(d, gx + 123, gy + 5); });
    moveMouse(d, gx + 300, gy + 300);

    const auto blinks = step(
        "battery under 5 %, three blinks",
        [&] {
            std::ofstream(battery + "/BAT0/charge_now") << "150000\n";
            std::ofstream(battery + "/BAT0/capacity") << "3\n";
        },
        10s);
    std::vector<double> firstTones;
    for (std::size_t i = 0; i < blinks.size(); ++i)
        if (blinks[i].function == "Beep" && blinks[i].args[0] == 1010 &&
            (i == 0 || blinks[i - 1].function != "Beep"))
            firstTones.push_back(blinks[i].ms);
    EXPECT_EQ(firstTones.size(), 3u) << "three beeps, each on its own tick";
    for (std::size_t i = 1; i < firstTones.size(); ++i)
        EXPECT_NEAR(firstTones[i] - firstTones[i - 1], 2000, 400) << "a beep every 2 s";

    step("the battery is gone, answered No", [&] {
        std::filesystem::rename(battery + "/BAT0", battery + "-gone");
        answerBox("Info - Batterie", 7);
    });
    step("the question is not put again", nullptr);
    step("close button", [&] {
        click(d, gx + 9, gy + 9);
        EXPECT_TRUE(ended()) << "the close button ends the program";
    });
    between("the end", true);
    std::printf("[ contract ] first session: %.1f s\n", secondsSince(start));

    // The other answer, in a second run on a fresh battery.
    std::filesystem::remove_all(battery);
    std::filesystem::remove_all(battery + "-gone");
    std::filesystem::copy(fixtures + "/battery57", battery,
                          std::filesystem::copy_options::recursive);
    const auto second = steady();
    ASSERT_NO_FATAL_FAILURE(startTraced(SORVANE_EXE, battery));
    step("start-up", nullptr);
    std::printf("[ contract ] second run started: %.1f s\n", secondsSince(second));
    step("the battery is gone, answered Yes", [&] {
        std::filesystem::rename(battery + "/BAT0", battery + "-gone");
        answerBox("Info - Batterie", 6);
    });
    EXPECT_TRUE(ended()) << "Yes ends the program";
    between("the end", true);
    std::printf("[ contract ] second session: %.1f s\n", secondsSince(second));
}

// The trace reader on a log written by hand: Wine's lines it does not know, other processes and
// calls made inside Wine's DLLs are passed over; a difference is told in words naming the step.
TEST(RelayTrace, SkipsWhatItDoesNotKnowAndNamesTheStepOfAMissingOrWrongCall) {
    const std::string log =
        "5.000:0020:0024:trace:loaddll:build_module Loaded L\"Z:\\\\Sorvane.exe\" at "
        "0000000140000000: native\n"
        "5.001:0020:0024:Call PE DLL (proc=0000000170068C10,module=0000000170000000)\n"
        "5.002:0020:0024:fixme:win:AnimateWindow partial stub\n"
        "not a trace line\n"
        "5.003:0030:0034:Call user32.ShowWindow(00020044,00000000) ret=140001000\n"
        "5.004:0020:0024:Call user32.AnimateWindow(00020044,00001388,00000010) ret=140001000\n"
        "5.005:0020:0024:Call user32.GetWindowLongA(00020044,ffffffec) ret=7b001000\n"
        "5.006:0020:0024:Ret  user32.GetWindowLongA() retval=00000080 ret=7b001000\n"
        "5.500:0020:0024:Ret  user32.AnimateWindow() retval=00000001 ret=140001000\n"
        "6.000:0020:0024:Call KERNEL32.Beep(000003f2,00000064) ret=140001000\n"
        "6.100:0020:0024:Call KERNEL32.Beep(000005e1,";
    const auto calls = parseRelayTrace(log, "Sorvane.exe");
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(describe(calls[0], {{"Main", 0x20044}}), "AnimateWindow(Main, 0x1388, 0x10) = 0x1");
    EXPECT_EQ(calls[1].args, (std::vector<std::uint32_t>{1010, 100}));
    EXPECT_DOUBLE_EQ(calls[1].ms, 6000);

    const auto file = std::filesystem::temp_directory_path() / "sorvane-relay-contract.txt";
    std::ofstream(file) << "[entrance]\nAnimateWindow(Main, 5000, 0x10)\nBeep(1010, 100)\n"
                           "Beep(1505, 100)\n[too short]\nAnimateWindow(Main, 4000, 0x10)\n";
    const auto contract = readContract(file.string());
    std::filesystem::remove(file);
    Handles handles{{"Main", 0x20044}};
    const StepCheck missing = checkStep(contract.at("entrance"), calls, handles);
    EXPECT_FALSE(missing.matched);
    EXPECT_EQ(missing.why, "step \"entrance\": the program never made call 3, Beep(1505, 100)");
    const StepCheck wrong = checkStep(contract.at("too short"), calls, handles);
    EXPECT_TRUE(!wrong.matched && wrong.complete);
    EXPECT_EQ(wrong.why, "step \"too short\", call 1: expected AnimateWindow(Main, 4000, 0x10), "
                         "the program made AnimateWindow(Main, 5000, 0x10) = 0x1: argument 2 is "
                         "5000, not 4000");
}

TEST_F(WineCallContract, AFailedPowerReadingKeepsTheLastOne) {
    // The test copy of the program: its power call fails, writing nothing, while a flag file
    // exists. A failed reading must not read as an empty battery (blink, beep, level 0).
    const std::string battery = session_->x().path("failing-battery");
    const std::string flag = session_->x().path("power-fails");
    std::filesystem::remove_all(battery);
    std::filesystem::remove(flag);
    std::filesystem::copy(fixtures + "/battery57", battery,
                          std::filesystem::copy_options::recursive);
    std::string windowsFlag = "Z:" + flag;
    std::replace(windowsFlag.begin(), windowsFlag.end(), '/', '\\');
    setenv("SORVANE_POWER_FAILS_IF", windowsFlag.c_str(), 1);
    startTraced(SORVANE_FAULTS_EXE, battery);
    unsetenv("SORVANE_POWER_FAILS_IF");
    ASSERT_FALSE(HasFatalFailure());
    const Image level6 = readBmp24(artwork + "/level6.bmp");
    const Image level3 = readBmp24(artwork + "/level3.bmp");
    const Image onBattery = readBmp24(artwork + "/pile_on.bmp");
    auto shows = [&](const Image& level) {
        const Image shot = grab(d, main_, 0, 0, 128, 128);
        return sameRegion(shot, 85, level, 0, 10, 42, 127) &&
               sameRegion(shot, 0, onBattery, 26, 50, 51, 85);
    };
    ASSERT_TRUE(waitUntil([&] { return shows(level6); }, 10s));

    std::ofstream(flag) << "fail\n";
    const std::size_t before = calls().size();
    auto readingsSince = [&] {
        const auto all = calls();
        return std::count_if(
            all.begin() + static_cast<long>(before), all.end(),
            [](const TracedCall& c) { return c.function == "GetSystemPowerStatus"; });
    };
    ASSERT_TRUE(waitUntil([&] { return readingsSince() >= 4; }, 8s)) << "no readings traced";
    const auto all = calls();
    const std::vector<TracedCall> failing(all.begin() + static_cast<long>(before), all.end());
    EXPECT_TRUE(times(failing, "Beep").empty()) << "a failed reading sounded the low-battery beep";
    EXPECT_TRUE(shows(level6)) << "three failed readings changed the gauge";

    // Once the call works again the gauge follows the battery.
    std::filesystem::remove(flag);
    std::ofstream(battery + "/BAT0/charge_now") << "1250000\n";
    std::ofstream(battery + "/BAT0/capacity") << "25\n";
    EXPECT_TRUE(waitUntil([&] { return shows(level3); }, 5s));
}

} // namespace
