// The real `sorvane` on a real desktop (Xvfb, openbox, tint2, pcmanfm), reading a fixture
// battery, driven by XTEST and checked by the pixels on screen and the X properties.
// GoogleTest first: Xlib's macros (None, Bool, ...) would break its templates.
#include <gtest/gtest.h>

#include "e2e/gauge_desk.h"

#include <X11/extensions/shape.h>
#include <X11/keysym.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <memory>
#include <sstream>
#include <thread>

namespace {

using namespace sorvane::e2e;
using namespace std::chrono_literals;
using sorvane::forms::PictureId;
using Clock = std::chrono::steady_clock;

std::string lines(const std::string& text) {
    std::ostringstream out;
    out << "[" << text << "]";
    return out.str();
}

long countLines(const std::string& text) {
    return std::count(text.begin(), text.end(), '\n');
}

// ---- the display ----

TEST(Display, WithoutOneTheProgramSaysSoOnOneLineAndExitsWithOne) {
    for (const Env& env : {Env{"DISPLAY="}, Env{"DISPLAY=:259"}}) {
        const RunResult r = run({"env", "-u", "DISPLAY", env[0], SORVANE_BINARY}, {}, 20s);
        EXPECT_EQ(r.exitCode, 1) << env[0];
        EXPECT_EQ(countLines(r.err), 1) << lines(r.err);
        EXPECT_NE(r.err.find("DISPLAY=:0 sorvane"), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("make "), std::string::npos) << "no build commands: " << r.err;
        EXPECT_EQ(r.out, "");
    }
}

TEST(CommandLine, HelpAndVersionAnswerWithoutADisplayAndABadOptionIsRefused) {
    const RunResult help = run({"env", "-u", "DISPLAY", SORVANE_BINARY, "--help"}, {}, 20s);
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind("Usage: sorvane [--help] [--version]\n", 0), 0u) << help.out;
    EXPECT_NE(help.out.find("F8"), std::string::npos);
    EXPECT_EQ(help.err, "");
    const RunResult version = run({SORVANE_BINARY, "--version"}, {"DISPLAY=:259"}, 20s);
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "sorvane " SORVANE_VERSION "\n");
    const RunResult bad = run({SORVANE_BINARY, "--bogus"}, {"DISPLAY=:259"}, 20s);
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_EQ(bad.out, "");
    EXPECT_EQ(countLines(bad.err), 1) << lines(bad.err);
    EXPECT_NE(bad.err.find("'--bogus'"), std::string::npos) << bad.err;
}

// A bare Xvfb of our own, so the test can pull it away.
struct BareX {
    BareX() {
        for (number = 70; number < 100; ++number)
            if (!fs::exists("/tmp/.X" + std::to_string(number) + "-lock") &&
                !fs::exists("/tmp/.X11-unix/X" + std::to_string(number)))
                break;
        name = ":" + std::to_string(number);
        pid = spawn({"Xvfb", name, "-screen", "0", "640x480x24", "-nolisten", "tcp"});
        waitUntil([&] { return (display = XOpenDisplay(name.c_str())) != nullptr; }, 10s, 20ms);
    }
    ~BareX() {
        if (pid) endProcess(pid);
    }
    int number = 0;
    std::string name;
    pid_t pid = 0;
    Display* display = nullptr;
};

TEST(Display, LosingItEndsTheProgramWithOneLineAndNoCoreDump) {
    BareX x;
    ASSERT_NE(x.display, nullptr) << "Xvfb " << x.name << " did not start";
    const fs::path runtimeDir = fs::temp_directory_path() / ("sorvane-e2e-" + x.name.substr(1));
    fs::create_directories(runtimeDir);
    fs::permissions(runtimeDir, fs::perms::owner_all);
    RunResult result;
    std::thread gauge([&] {
        result = run({"env", "ALSA_CONFIG_PATH=/dev/null", SORVANE_BINARY},
                     {"DISPLAY=" + x.name, "XDG_RUNTIME_DIR=" + runtimeDir.string()}, 30s);
    });
    const bool up = waitUntil(
        [&] {
            for (Window w : findWindowsByClass(x.display, "sorvane"))
                if (wmName(x.display, w) == "Main" && isViewable(x.display, w)) return true;
            return false;
        },
        15s);
    XCloseDisplay(x.display); // ours must not keep anything of the server alive
    endProcess(x.pid, 500ms);
    x.pid = 0;
    gauge.join();
    ASSERT_TRUE(up) << result.err;
    EXPECT_EQ(result.exitCode, 1) << "128 + n is a signal: " << result.exitCode;
    EXPECT_EQ(countLines(result.err), 1) << lines(result.err);
    EXPECT_NE(result.err.find("lost the connection to the X display"), std::string::npos)
        << result.err;
}

// ---- the gauge on a desktop ----

struct Desk : ::testing::Test {
    void SetUp() override {
        if (!powerNamespaceAvailable()) GTEST_SKIP() << "no private mount namespace here";
    }
    // Waits for the gauge window to be mapped.
    Window waitForGauge(GaugeDesk& desk) {
        Window w = 0;
        waitUntil(
            [&] {
                w = desk.form("Main");
                return w && isViewable(desk.d(), w);
            },
            15s);
        return w;
    }
    // Waits until `condition(shot)` holds; returns how long it took, or nullopt at the deadline.
    template <class F>
    std::optional<std::chrono::milliseconds> timeUntil(GaugeDesk& desk, F condition,
                                                       std::chrono::milliseconds limit) {
        const auto start = Clock::now();
        if (!waitUntil([&] { return condition(desk.shot()); }, limit, 20ms)) return std::nullopt;
        return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    }
};

TEST_F(Desk, TheGaugeShowsTheBatteryFollowsItAndBlinksAndBeepsWhenLow) {
    GaugeDesk desk(/*picom*/ false);
    desk.power().onBattery(30, 90);
    desk.start();
    const Window main = waitForGauge(desk);
    ASSERT_NE(main, 0u) << desk.log();
    const auto mappedAt = Clock::now();

    // Placed at 25, 500 twips, 128 x 128: the storage pictures lie beyond its right edge.
    EXPECT_EQ(geometry(desk.d(), main), (Geometry{gaugeX, gaugeY, 128, 128}));

    // It comes into view from its centre over about five seconds.
    std::vector<Geometry> reveal;
    ASSERT_TRUE(waitUntil(
        [&] {
            const Geometry g = shapeExtent(desk.d(), main);
            if (reveal.empty() || !(reveal.back() == g)) reveal.push_back(g);
            return g.width == 128 && g.height == 128;
        },
        10s, 50ms));
    const auto revealed = Clock::now();
    const auto revealTime = revealed - mappedAt;
    EXPECT_GT(revealTime, 4s);
    EXPECT_LT(revealTime, 7s);
    ASSERT_GE(reveal.size(), 10u) << "no gradual reveal";
    EXPECT_LE(reveal.front().width, 20u) << "it starts small";
    for (std::size_t i = 1; i < reveal.size(); ++i) {
        EXPECT_GE(reveal[i].width, reveal[i - 1].width) << "it only grows";
        EXPECT_NEAR(reveal[i].x + reveal[i].width / 2.0, 64, 1.5) << "from the centre";
        EXPECT_NEAR(reveal[i].y + reveal[i].height / 2.0, 64, 1.5) << "from the centre";
    }

    // The first refresh shows the battery at 30 %: three bars lit, no bolt; the label stays blank
    // until the first second has passed.
    ASSERT_TRUE(timeUntil(
        desk, [](const Image& g) { return shownSource(g) == PictureId::PileOn; }, 3s))
        << desk.log();
    const Image first = desk.shot();
    first.writePpm(desk.session().path("start.ppm"));
    if (Clock::now() - revealed < 700ms) {
        EXPECT_EQ(labelInk(first, PictureId::PileOn).count, 0) << "the label is blank at first";
    }
    EXPECT_EQ(shownLevel(first), 3);
    first.writePpm(desk.session().path("start.ppm"));

    ASSERT_TRUE(timeUntil(
        desk, [](const Image& g) { return labelInk(g, PictureId::PileOn).count > 20; }, 3s));
    const Ink ink = labelInk(desk.shot(), PictureId::PileOn);
    EXPECT_NEAR((ink.left + ink.right) / 2.0, 16 + 56 / 2.0, 3.0) << "centred in the label";
    EXPECT_GT(ink.right - ink.left, 20) << "\"90 min\" is more than a mark";

    // Edits of the power supply show within a second and a tick; a jump from 30 % to full (a
    // laptop woken on its charger) shows nine bars.
    desk.power().onMains(100);
    auto took = timeUntil(
        desk, [](const Image& g) { return shownSource(g) == PictureId::PileOff; }, 3s);
    ASSERT_TRUE(took) << "the bolt never came";
    EXPECT_LT(took->count(), 2000);
    EXPECT_EQ(labelInk(desk.shot(), PictureId::PileOff).count, 0) << "on mains the label is empty";
    EXPECT_EQ(shownLevel(desk.shot()), 9) << "full shows nine bars";

    desk.power().onBattery(25);
    took = timeUntil(
        desk,
        [](const Image& g) { return shownSource(g) == PictureId::PileOn && shownLevel(g) == 3; },
        3s);
    ASSERT_TRUE(took) << "25 % never showed three bars";
    EXPECT_LT(took->count(), 2000);

    // Below 5 %: the bar column alternates each second, with the five tones on the empty one.
    // The empty picture comes up as the tones start, not after them: each picture stays a
    // second, beep on or off.
    desk.power().onBattery(4);
    std::optional<int> last = shownLevel(desk.shot());
    auto nextPicture = [&] { // the next level picture to come up, and when
        std::optional<int> level;
        waitUntil(
            [&] {
                level = shownLevel(desk.shot());
                return level && level != last;
            },
            3s, 10ms);
        last = level;
        return std::make_pair(level.value_or(-1), Clock::now());
    };
    auto blinks = [&](const char* beep) { // four pictures in a row
        auto from = nextPicture();
        for (int i = 0; i < 4; ++i) {
            const auto to = nextPicture();
            EXPECT_TRUE(from.first == 0 || from.first == 1) << beep << ": level " << from.first;
            EXPECT_EQ(to.first, 1 - from.first) << beep << ": the pictures alternate";
            const auto ms =
                std::chrono::duration_cast<std::chrono::milliseconds>(to.second - from.second);
            std::printf("blink, beep %s: level %d for %lld ms\n", beep, from.first,
                        static_cast<long long>(ms.count()));
            EXPECT_NEAR(ms.count(), 1000, 150) << beep << ": level " << from.first;
            from = to;
        }
    };
    blinks("on");

    ASSERT_TRUE(waitUntil([&] { return desk.sound().size() >= 5 * 4800; }, 5s))
        << "no beep reached the sound device";
    const auto tones = toneFrequencies(desk.sound());
    ASSERT_GE(tones.size(), 5u);
    const std::vector<double> wanted{1010, 1505, 2000, 1505, 1010};
    for (std::size_t i = 0; i < wanted.size(); ++i)
        EXPECT_NEAR(tones[i], wanted[i], 3.0) << "tone " << i + 1;

    tapKey(desk.d(), XK_F5); // the beep off: a second on, the beep played meanwhile has ended
    nextPicture();
    nextPicture();
    const std::size_t sound = desk.sound().size();
    blinks("off");
    EXPECT_EQ(desk.sound().size(), sound) << "F5 silenced the beep";
    EXPECT_TRUE(desk.running());
}

// Two clicks on the menu entry: one gauge. The one that finds the other running leaves with 0.
TEST_F(Desk, TwoStartsAtTheSameInstantEndWithOneGauge) {
    GaugeDesk desk(/*picom*/ false, /*pcmanfm*/ false);
    desk.power().onBattery(55);
    const pid_t starts[] = {desk.start(), desk.startAnother()};
    pid_t left = 0;
    int exitCode = -1;
    ASSERT_TRUE(waitUntil(
        [&] {
            for (pid_t p : starts)
                if (!isRunning(p, &exitCode)) return (left = p) != 0;
            return false;
        },
        15s))
        << "both still run" << desk.log();
    EXPECT_EQ(exitCode, 0);
    const pid_t gauge = left == starts[0] ? starts[1] : starts[0];
    EXPECT_TRUE(isRunning(gauge));
    ASSERT_NE(waitForGauge(desk), 0u) << desk.log();
    const auto gauges = [&] {
        int n = 0;
        for (Window w : findWindowsByClass(desk.d(), "sorvane"))
            n += wmName(desk.d(), w) == "Main";
        return n;
    };
    EXPECT_EQ(gauges(), 1);
    EXPECT_FALSE(waitUntil([&] { return gauges() > 1; }, 1s));

    // A gauge that crashed leaves no claim behind: the next start is the gauge.
    ::kill(gauge, SIGKILL);
    desk.session().end(gauge); // reaped and forgotten
    ASSERT_TRUE(waitUntil([&] { return gauges() == 0; }, 10s));
    desk.start();
    ASSERT_NE(waitForGauge(desk), 0u) << "a dead gauge's claim kept the new one out" << desk.log();
    EXPECT_TRUE(desk.running());
}

TEST_F(Desk, TheNoBatteryQuestionComesOnceAndYesEndsTheProgramAtOnce) {
    GaugeDesk desk(/*picom*/ false, /*pcmanfm*/ false);
    desk.power().noBattery();
    desk.start();
    Window box = 0;
    // The question comes up without the keyboard: a click gives it the focus, then keys answer.
    const auto focusedOn = [&](Window w) {
        return waitUntil([&] {
            Window focus = 0;
            int revert = 0;
            XGetInputFocus(desk.d(), &focus, &revert);
            return focus == w;
        });
    };
    ASSERT_TRUE(waitUntil([&] { return (box = desk.mappedTitled("Info - Batterie")) != 0; }, 15s))
        << desk.log();
    const Geometry g = geometry(desk.d(), box);
    click(desk.d(), g.x + static_cast<int>(g.width) / 2, g.y + 10); // focus it, as a user would
    ASSERT_TRUE(focusedOn(box));
    tapKey(desk.d(), XK_Escape); // No
    ASSERT_TRUE(waitUntil([&] { return desk.mappedTitled("Info - Batterie") == 0; }, 5s));
    // Three more readings of "no battery": the question is not put again.
    EXPECT_FALSE(waitUntil([&] { return desk.mappedTitled("Info - Batterie") != 0; }, 3500ms));
    EXPECT_TRUE(desk.running());
    desk.session().end(desk.pid());

    desk.start();
    ASSERT_TRUE(waitUntil([&] { return (box = desk.mappedTitled("Info - Batterie")) != 0; }, 15s))
        << desk.log();
    const Geometry g2 = geometry(desk.d(), box);
    click(desk.d(), g2.x + static_cast<int>(g2.width) / 2, g2.y + 10);
    ASSERT_TRUE(focusedOn(box));
    tapKey(desk.d(), XK_Return); // Yes, the default button
    EXPECT_TRUE(waitUntil([&] { return !desk.running(); }, 2s)) << "Yes ends the program";
}

// ---- the options, the shell windows, hiding and recall, window handling ----

constexpr unsigned long opacityOf(unsigned alpha) {
    return alpha * 0x01010101ul;
}

struct Desktop : Desk {
    void SetUp() override {
        Desk::SetUp();
        if (IsSkipped()) return;
        desk = std::make_unique<GaugeDesk>(/*picom*/ true);
        d = desk->d();
    }
    bool panelShown() {
        for (Window w : findWindowsByType(d, "DOCK"))
            if (isViewable(d, w)) return true;
        return false;
    }
    bool desktopShown() {
        for (Window w : findWindowsByType(d, "DESKTOP"))
            if (isViewable(d, w)) return true;
        return false;
    }
    std::optional<unsigned long> opacity() {
        return getCardinal(d, main, "_NET_WM_WINDOW_OPACITY");
    }
    // Menus are the program's override-redirect windows (the window manager leaves them alone).
    std::vector<Window> popups() {
        std::vector<Window> out;
        for (Window w : findWindowsByClass(d, "sorvane")) {
            XWindowAttributes a{};
            if (XGetWindowAttributes(d, w, &a) && a.override_redirect &&
                a.map_state == IsViewable && a.width > 20)
                out.push_back(w);
        }
        return out;
    }
    Window popup() {
        const auto all = popups();
        return all.empty() ? 0 : all.front();
    }
    Geometry gauge() { return geometry(d, main); }
    // Clicks the options button and waits for the menu.
    Window openMenu() {
        const Geometry g = gauge();
        click(d, g.x + 8, g.y + 121);
        Window m = 0;
        EXPECT_TRUE(waitUntil([&] { return (m = popup()) != 0; }, 3s)) << "no menu\n"
                                                                       << desk->log();
        return m;
    }
    // Chooses the n-th entry (1-based) of the menu, and the k-th of its sub-menu if k > 0.
    void choose(int n, int k = 0) {
        if (!openMenu()) return;
        for (int i = 0; i < n; ++i)
            tapKey(d, XK_Down);
        if (k > 0) {
            tapKey(d, XK_Right);
            ASSERT_TRUE(waitUntil([&] { return popups().size() == 2; }, 2s)) << "no sub-menu";
            for (int i = 1; i < k; ++i)
                tapKey(d, XK_Down);
        }
        tapKey(d, XK_Return);
        ASSERT_TRUE(waitUntil([&] { return popup() == 0; }, 2s)) << "the menu stayed";
    }
    // Waits for a message box of this title and presses its default button.
    bool acknowledge(const std::string& title) {
        Window box = 0;
        if (!waitUntil([&] { return (box = desk->mappedTitled(title)) != 0; }, 3s)) return false;
        const Geometry g = geometry(d, box);
        click(d, g.x + static_cast<int>(g.width) / 2, g.y + 8);
        tapKey(d, XK_Return);
        return waitUntil([&] { return desk->mappedTitled(title) == 0; }, 3s);
    }
    std::size_t tonesSoFar() { return toneFrequencies(desk->sound()).size(); }

    std::unique_ptr<GaugeDesk> desk;
    Display* d = nullptr;
    Window main = 0;
};

// One user's session on the desktop, step by step: each step starts where the last left the gauge.
struct DesktopSession : Desktop {
    // tint2's panel (openbox keeps a tiny dock window of its own), and its task list's half.
    Geometry panelPlace;
    Image panelBefore;
    Image panelHalf() {
        return grab(d, DefaultRootWindow(d), panelPlace.x, panelPlace.y, panelPlace.width / 2,
                    panelPlace.height);
    }

    void theGaugeStarts() {
        // tint2 may map its panel a while after the session is up on a loaded machine.
        ASSERT_TRUE(waitUntil(
            [&] {
                for (Window w : findWindowsByType(d, "DOCK"))
                    if (geometry(d, w).width > panelPlace.width) panelPlace = geometry(d, w);
                return panelPlace.width > 100u;
            },
            15s, 50ms))
            << "no panel";
        // Once tint2 has drawn it.
        ASSERT_TRUE(waitUntil(
            [&] {
                panelBefore = panelHalf();
                for (std::size_t i = 3; i < panelBefore.rgb.size(); ++i)
                    if (panelBefore.rgb[i] != panelBefore.rgb[i % 3]) return true;
                return false;
            },
            15s, 50ms));
        desk->power().onBattery(55, 90);
        desk->start();
        main = waitForGauge(*desk);
        ASSERT_NE(main, 0u) << desk->log();
        ASSERT_TRUE(waitUntil([&] { return shapeExtent(d, main).width == 128; }, 10s, 50ms));
    }

    void startUp() {
        EXPECT_EQ(opacity(), opacityOf(200));
        EXPECT_TRUE(hasAtom(d, main, "_NET_WM_STATE", "_NET_WM_STATE_ABOVE"));
        EXPECT_TRUE(hasAtom(d, main, "_NET_WM_STATE", "_NET_WM_STATE_SKIP_TASKBAR"));
        const Image panelAfter = panelHalf();
        EXPECT_TRUE(panelAfter.rgb == panelBefore.rgb) << "a task button appeared in tint2";
        const Window f8 = desk->form("F8");
        ASSERT_NE(f8, 0u);
        EXPECT_EQ(getCardinal(d, f8, "_NET_WM_WINDOW_OPACITY"), opacityOf(0));
    }

    void theMenu() {
        const Window m = openMenu();
        ASSERT_NE(m, 0u);
        const Geometry mg = geometry(d, m);
        const double entryHeight = mg.height / 5.0;
        // A check mark is dark ink in the column left of the captions, which start at 28 px.
        const Image menu = grab(d, DefaultRootWindow(d), mg.x, mg.y, mg.width, mg.height);
        std::vector<bool> checked;
        for (int entry = 0; entry < 5; ++entry) {
            int ink = 0;
            for (int y = static_cast<int>(entry * entryHeight) + 3;
                 y < static_cast<int>((entry + 1) * entryHeight) - 3; ++y)
                for (int x = 4; x < 26; ++x)
                    if (menu.at(x, y).r < 100) ++ink;
            checked.push_back(ink > 10);
        }
        EXPECT_EQ(checked, (std::vector<bool>{true, true, true, false, false}));
        for (int i = 0; i < 4; ++i)
            tapKey(d, XK_Down);
        tapKey(d, XK_Right);
        ASSERT_TRUE(waitUntil([&] { return popups().size() == 2; }, 2s));
        Window sub = 0;
        for (Window w : popups())
            if (w != m) sub = w;
        EXPECT_NEAR(geometry(d, sub).height / entryHeight, 8.0, 0.4);
        grab(d).writePpm(desk->session().path("menu.ppm"));
        tapKey(d, XK_Escape);
        tapKey(d, XK_Escape);
        ASSERT_TRUE(waitUntil([&] { return popup() == 0; }, 2s));
    }

    void taskBarAndIconBureau() {
        ASSERT_TRUE(panelShown());
        choose(2); // TaskBar: off
        EXPECT_TRUE(waitUntil([&] { return !panelShown(); }, 3s));
        choose(2); // on
        EXPECT_TRUE(waitUntil([&] { return panelShown(); }, 3s));
        choose(2); // off again
        ASSERT_TRUE(waitUntil([&] { return !panelShown(); }, 3s));
        choose(3); // IconBureau: off; the panel is not touched
        EXPECT_TRUE(waitUntil([&] { return !desktopShown(); }, 3s));
        EXPECT_FALSE(panelShown());
        choose(3); // on, and the panel with it
        EXPECT_TRUE(waitUntil([&] { return desktopShown() && panelShown(); }, 3s));
    }

    void hotKeysWithAnotherWindowFocused() {
        choose(2); // TaskBar checked again; the panel is already shown
        // Chosen before the focus moves: Qt deactivates an application a moment after it
        // loses the focus, and that closes any menu opened in between.
        const Window other = createWindow(d, 400, 300, 200, 150, 0x3366aa, "other");
        click(d, 500, 375);
        tapKey(d, XK_F6);
        EXPECT_TRUE(waitUntil([&] { return !panelShown(); }, 3s)) << "F6 did not hide the panel";
        tapKey(d, XK_F6);
        EXPECT_TRUE(waitUntil([&] { return panelShown(); }, 3s));
        tapKey(d, XK_F7);
        EXPECT_TRUE(waitUntil([&] { return !desktopShown(); }, 2s)) << "F7 did not hide icons";
        tapKey(d, XK_F7);
        EXPECT_TRUE(waitUntil([&] { return desktopShown(); }, 3s));
        XDestroyWindow(d, other);
        XSync(d, False);
    }

    void hideUntilThreeBars() {
        tapKey(d, XK_F5); // the beep off: this recall is silent
        choose(4, 3);
        EXPECT_TRUE(waitUntil([&] { return opacity() == opacityOf(0); }, 3s));
        int inputRects = -1, ordering = 0;
        if (XRectangle* r = XShapeGetRectangles(d, main, ShapeInput, &inputRects, &ordering))
            XFree(r);
        EXPECT_EQ(inputRects, 0) << "clicks must pass through the invisible gauge";
        EXPECT_TRUE(acknowledge("Touche Rappel"));
        const std::size_t tones = tonesSoFar();
        desk->power().onBattery(25);
        const auto edited = Clock::now();
        EXPECT_TRUE(waitUntil([&] { return opacity() == opacityOf(250); }, 5s));
        EXPECT_LT(Clock::now() - edited, 3500ms) << "a reading, a refresh and a check";
        EXPECT_FALSE(waitUntil([&] { return tonesSoFar() > tones; }, 1s)) << "F5 silenced it";

        tapKey(d, XK_F5); // the beep on again
        choose(4, 3);     // already at three bars: back at the first check, with the beep
        EXPECT_TRUE(waitUntil([&] { return opacity() == opacityOf(0); }, 3s));
        EXPECT_TRUE(acknowledge("Touche Rappel"));
        EXPECT_TRUE(waitUntil([&] { return opacity() == opacityOf(250); }, 4s));
        EXPECT_TRUE(waitUntil([&] { return tonesSoFar() >= tones + 5; }, 3s)) << "no beep";
    }

    void f8AndTheSlider() {
        desk->power().onBattery(55);
        // Drawn at alpha 250 over a black desktop: within 5 of the pictures' colours.
        ASSERT_TRUE(waitUntil([&] { return shownLevel(desk->shot(), 6) == 6; }, 3s));
        choose(4, 3);
        EXPECT_TRUE(waitUntil([&] { return opacity() == opacityOf(0); }, 3s));
        EXPECT_TRUE(acknowledge("Touche Rappel"));
        const std::size_t tones = tonesSoFar();
        tapKey(d, XK_F8);
        EXPECT_TRUE(waitUntil([&] { return opacity() == opacityOf(250); }, 1s));
        EXPECT_FALSE(waitUntil([&] { return tonesSoFar() > tones; }, 1s)) << "F8 is silent";

        const Geometry g = gauge();
        click(d, g.x + 46 + 20, g.y + 5); // in the slider's track, left of the handle
        EXPECT_TRUE(waitUntil([&] { return opacity() == opacityOf(249); }, 3s))
            << "opacity " << opacity().value_or(0) / 0x01010101ul;
    }

    void aSecondStart() {
        choose(4, 3);
        EXPECT_TRUE(waitUntil([&] { return opacity() == opacityOf(0); }, 3s));
        EXPECT_TRUE(acknowledge("Touche Rappel"));
        const std::size_t tones = tonesSoFar();
        const RunResult again = desk->runAnother();
        EXPECT_EQ(again.exitCode, 0) << again.err;
        EXPECT_EQ(again.out + again.err, "");
        EXPECT_TRUE(waitUntil([&] { return opacity() == opacityOf(250); }, 1s));
        EXPECT_TRUE(hasAtom(d, main, "_NET_WM_STATE", "_NET_WM_STATE_ABOVE"));
        EXPECT_FALSE(waitUntil([&] { return tonesSoFar() > tones; }, 1s)) << "it is silent";
        int gauges = 0;
        for (Window w : findWindowsByClass(d, "sorvane"))
            gauges += wmName(d, w) == "Main";
        EXPECT_EQ(gauges, 1);
        EXPECT_TRUE(desk->running());
    }

    void aHeldF8() {
        // Each tick of the F8 poll writes the opacity again: count the writes.
        Display* watch = XOpenDisplay(desk->session().displayName().c_str());
        ASSERT_NE(watch, nullptr);
        XSelectInput(watch, main, PropertyChangeMask);
        XSync(watch, False);
        const Atom opacityAtom = atom(watch, "_NET_WM_WINDOW_OPACITY");
        const auto writesDuring = [&](std::chrono::milliseconds span) {
            int writes = 0;
            const auto end = std::chrono::steady_clock::now() + span;
            while (std::chrono::steady_clock::now() < end) {
                while (XPending(watch)) {
                    XEvent e;
                    XNextEvent(watch, &e);
                    writes += e.type == PropertyNotify && e.xproperty.atom == opacityAtom;
                }
                std::this_thread::sleep_for(5ms);
            }
            return writes;
        };
        keyDown(d, XK_F8);
        const int held = writesDuring(1s);
        keyUp(d, XK_F8);
        writesDuring(300ms); // the tick that sees it up
        const int after = writesDuring(1s);
        XCloseDisplay(watch);
        EXPECT_GE(held, 10) << "a held key is polled on a beat, not once";
        EXPECT_LE(held, 30) << "no faster than its 50 ms beat";
        EXPECT_EQ(after, 0);
        EXPECT_EQ(opacity(), opacityOf(250));
    }

    void about() {
        choose(5);
        EXPECT_TRUE(acknowledge("Sorvane"));
    }

    void windowHandling() {
        const Geometry start = gauge();
        // Passing over the pictures moves nothing, and leaves nothing glued to the pointer.
        for (int i = 0; i <= 10; ++i)
            moveMouse(d, start.x + 30 + 8 * i, start.y + 60 + 3 * i);
        moveMouse(d, 600, 500);
        EXPECT_FALSE(waitUntil([&] { return !(gauge() == start); }, 700ms)) << "hover moved it";

        // A press-drag on the battery picture moves the window by the drag.
        // The first motion hands the window to the window manager's move; motions made before
        // it has taken the pointer are not part of the move (nor are they on Windows). So nudge
        // until the window follows, then drag.
        int px = start.x + 100, py = start.y + 60;
        moveMouse(d, px, py);
        buttonDown(d);
        bool follows = false;
        for (int i = 0; i < 30 && !follows; ++i) {
            moveMouse(d, ++px, py);
            follows = waitUntil([&] { return !(gauge() == start); }, 150ms);
        }
        ASSERT_TRUE(follows) << "the press-drag did not start a move";
        Geometry from = gauge();
        waitUntil(
            [&] {
                const Geometry now = gauge();
                const bool still = now == from;
                from = now;
                return still;
            },
            1s, 60ms);
        for (int i = 1; i <= 20; ++i) {
            moveMouse(d, px + 6 * i, py + 4 * i);
            waitUntil([&] { return gauge().x >= from.x + 6 * i; }, 300ms);
        }
        buttonUp(d);
        EXPECT_TRUE(waitUntil(
            [&] {
                const Geometry g = gauge();
                return std::abs(g.x - (from.x + 120)) <= 1 && std::abs(g.y - (from.y + 80)) <= 1;
            },
            2s))
            << "from " << from.x << "," << from.y << " to " << gauge().x << "," << gauge().y;
        const Geometry moved = gauge();
        moveMouse(d, 700, 600);
        EXPECT_FALSE(waitUntil([&] { return !(gauge() == moved); }, 500ms)) << "glued";
    }

    void closing() {
        tapKey(d, XK_F6);
        ASSERT_TRUE(waitUntil([&] { return !panelShown(); }, 3s));
        const Geometry g = gauge();
        click(d, g.x + 9, g.y + 9);
        EXPECT_TRUE(waitUntil([&] { return !desk->running(); }, 2s)) << "still running";
        EXPECT_FALSE(waitUntil([&] { return panelShown(); }, 1s)) << "the panel came back";
    }
};

TEST_F(DesktopSession, OptionsShellWindowsHotKeysHidingRecallAndWindowHandling) {
    const std::pair<const char*, void (DesktopSession::*)()> steps[] = {
        {"the gauge starts on a battery at 55 %", &DesktopSession::theGaugeStarts},
        {"start-up: opacity, topmost, not in the task list", &DesktopSession::startUp},
        {"the menu: five entries, the sub-menu eight", &DesktopSession::theMenu},
        {"TaskBar and IconBureau", &DesktopSession::taskBarAndIconBureau},
        {"F6 and F7 with another window focused", &DesktopSession::hotKeysWithAnotherWindowFocused},
        {"3 barre: invisible and click-through, then back by level with the beep",
         &DesktopSession::hideUntilThreeBars},
        {"F8 brings it back at once, silently; the slider sets the opacity",
         &DesktopSession::f8AndTheSlider},
        {"a second start brings the hidden gauge back, silently, and leaves",
         &DesktopSession::aSecondStart},
        {"a held F8 is polled on its 50 ms beat; once up, the polls sleep",
         &DesktopSession::aHeldF8},
        {"about", &DesktopSession::about},
        {"window handling", &DesktopSession::windowHandling},
        {"closing leaves a hidden panel hidden", &DesktopSession::closing},
    };
    for (const auto& [name, step] : steps) {
        SCOPED_TRACE(name);
        (this->*step)();
        if (HasFatalFailure()) return;
    }
}

} // namespace
