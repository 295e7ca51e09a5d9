// The real `sorvane` on a real desktop (Xvfb, openbox, tint2, pcmanfm), reading a fixture
// battery, driven by XTEST and checked by the pixels on screen and the X properties.
// GoogleTest first: Xlib's macros (None, Bool, ...) would break its templates.
#include <gtest/gtest.h>

#include "e2e/gauge_desk.h"

#include <X11/keysym.h>

#include <chrono>
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
        EXPECT_NE(r.err.find("make demo"), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
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
    desk.power().onBattery(55, 90);
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

    // The first refresh shows the battery at 55 %: six bars lit, no bolt; the label stays blank
    // until the first second has passed.
    ASSERT_TRUE(timeUntil(
        desk, [](const Image& g) { return shownSource(g) == PictureId::PileOn; }, 3s))
        << desk.log();
    const Image first = desk.shot();
    first.writePpm(desk.session().path("start.ppm"));
    if (Clock::now() - revealed < 700ms) {
        EXPECT_EQ(labelInk(first, PictureId::PileOn).count, 0) << "the label is blank at first";
    }
    EXPECT_EQ(shownLevel(first), 6);
    first.writePpm(desk.session().path("start.ppm"));

    ASSERT_TRUE(timeUntil(
        desk, [](const Image& g) { return labelInk(g, PictureId::PileOn).count > 20; }, 3s));
    const Ink ink = labelInk(desk.shot(), PictureId::PileOn);
    EXPECT_NEAR((ink.left + ink.right) / 2.0, 16 + 56 / 2.0, 3.0) << "centred in the label";
    EXPECT_GT(ink.right - ink.left, 20) << "\"90 min\" is more than a mark";

    // Edits of the power supply show within a second and a tick.
    desk.power().onMains(100);
    auto took = timeUntil(
        desk, [](const Image& g) { return shownSource(g) == PictureId::PileOff; }, 3s);
    ASSERT_TRUE(took) << "the bolt never came";
    EXPECT_LT(took->count(), 1500);
    EXPECT_EQ(labelInk(desk.shot(), PictureId::PileOff).count, 0) << "on mains the label is empty";
    EXPECT_EQ(shownLevel(desk.shot()), 6) << "at 95 % and above the level stays";

    desk.power().onBattery(25);
    took = timeUntil(
        desk,
        [](const Image& g) { return shownSource(g) == PictureId::PileOn && shownLevel(g) == 3; },
        3s);
    ASSERT_TRUE(took) << "25 % never showed three bars";
    EXPECT_LT(took->count(), 1500);

    // Below 5 %: the bar column alternates each second, with the five tones on the empty one.
    desk.power().onBattery(4);
    std::vector<int> seen;
    const auto blinkStart = Clock::now();
    waitUntil(
        [&] {
            const auto level = shownLevel(desk.shot());
            if (level && (seen.empty() || seen.back() != *level)) seen.push_back(*level);
            return seen.size() >= 5;
        },
        8s, 20ms);
    const auto blinkTime = Clock::now() - blinkStart;
    ASSERT_GE(seen.size(), 5u) << "the column did not blink";
    // After the three-bar picture, only the empty and the one-bar pictures, alternately.
    for (std::size_t i = 1; i < seen.size(); ++i)
        EXPECT_TRUE(seen[i] == 0 || seen[i] == 1) << "level " << seen[i];
    EXPECT_LT(blinkTime, 6s);

    ASSERT_TRUE(waitUntil([&] { return desk.sound().size() >= 5 * 4800; }, 5s))
        << "no beep reached the sound device";
    const auto tones = toneFrequencies(desk.sound());
    ASSERT_GE(tones.size(), 5u);
    const std::vector<double> wanted{1010, 1505, 2000, 1505, 1010};
    for (std::size_t i = 0; i < wanted.size(); ++i)
        EXPECT_NEAR(tones[i], wanted[i], 3.0) << "tone " << i + 1;
    EXPECT_TRUE(desk.running());
}

TEST_F(Desk, TheNoBatteryQuestionComesOnceAndYesEndsTheProgramAtOnce) {
    GaugeDesk desk(/*picom*/ false, /*pcmanfm*/ false);
    desk.power().noBattery();
    desk.start();
    Window box = 0;
    ASSERT_TRUE(waitUntil([&] { return (box = desk.mappedTitled("Info - Batterie")) != 0; }, 15s))
        << desk.log();
    const Geometry g = geometry(desk.d(), box);
    click(desk.d(), g.x + static_cast<int>(g.width) / 2, g.y + 10); // focus it, as a user would
    tapKey(desk.d(), XK_Escape);                                    // No
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
    tapKey(desk.d(), XK_Return); // Yes, the default button
    EXPECT_TRUE(waitUntil([&] { return !desk.running(); }, 2s)) << "Yes ends the program";
}

} // namespace
