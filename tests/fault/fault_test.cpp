// The faults a desktop throws at a gauge that runs for weeks: panels and compositors that come
// and go, a battery pulled out, no sound device, hostile windows, and the X server itself dying.
// The real `sorvane` on a private desktop each time, checked by pixels, properties and processes.
// GoogleTest first: Xlib's macros (None, Bool, ...) would break its templates.
#include <gtest/gtest.h>

#include "fault/fault_desk.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <sys/wait.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

namespace {

using namespace sorvane::fault;
using sorvane::forms::PictureId;
using Clock = std::chrono::steady_clock;

struct Faults : ::testing::Test {
    void SetUp() override {
        if (!powerNamespaceAvailable()) GTEST_SKIP() << "no private mount namespace here";
    }
};

// ---- hostile properties ----

void put8(Display* d, Window w, const char* name, Atom type, const std::string& bytes) {
    XChangeProperty(d, w, atom(d, name), type, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(bytes.data()),
                    static_cast<int>(bytes.size()));
}
void put16(Display* d, Window w, const char* name, Atom type, const std::vector<short>& items) {
    XChangeProperty(d, w, atom(d, name), type, 16, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(items.data()),
                    static_cast<int>(items.size()));
}
void put32(Display* d, Window w, const char* name, Atom type, const std::vector<long>& items) {
    XChangeProperty(d, w, atom(d, name), type, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(items.data()),
                    static_cast<int>(items.size()));
}

// A great many items of junk with the wanted atom somewhere inside.
std::vector<long> junkAround(Atom inside, std::size_t count) {
    std::vector<long> items(count);
    for (std::size_t i = 0; i < count; ++i)
        items[i] = static_cast<long>((i * 2654435761u) & 0x1fffffff) | 0x40000000;
    items[count / 2] = static_cast<long>(inside);
    return items;
}

// The bytes of an atom as a 32-bit item, hidden in a byte string.
std::string bytesAround(Atom inside) {
    std::string bytes = "\x01\x02\x03\x04";
    const auto value = static_cast<std::uint32_t>(inside);
    bytes.append(reinterpret_cast<const char*>(&value), 4);
    bytes += "garbage";
    return bytes;
}

// A small mapped window with a class, as a panel would have, and then one property spoiled.
Window hostileWindow(Display* d, int x, const std::function<void(Window)>& spoil) {
    const Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), x, 300, 16, 16, 0, 0, 0xaa3300);
    XClassHint cls{const_cast<char*>("hostile"), const_cast<char*>("Hostile")};
    XSetClassHint(d, w, &cls);
    spoil(w);
    XMapWindow(d, w);
    XSync(d, False);
    return w;
}

// Writes junk over the copies the gauge keeps on a hidden shell window.
void spoilSavedState(Display* d, Window w, int variant) {
    const char* state = "_SORVANE_SAVED_WM_STATE";
    const char* place = "_SORVANE_SAVED_GEOMETRY";
    switch (variant) {
    case 0: // wrong formats
        put8(d, w, state, XA_ATOM, bytesAround(atom(d, "_NET_WM_STATE_ABOVE")));
        put16(d, w, place, XA_CARDINAL, {1, 2, 3});
        break;
    case 1: // wrong types
        put32(d, w, state, XA_CARDINAL, {1, 2, 3});
        put32(d, w, place, XA_ATOM, {10, 10, 100, 100});
        break;
    default: // absurd lengths
        put32(d, w, state, XA_ATOM, junkAround(atom(d, "_NET_WM_STATE_ABOVE"), 200000));
        put32(d, w, place, XA_CARDINAL, junkAround(0, 100000));
        break;
    }
    XSync(d, False);
}

TEST_F(Faults, PanelsCompositorBatteryAndHostileWindowsComeAndGoUnderTheGauge) {
    GaugeDesk desk(/*picom*/ false);
    Display* d = desk.d();
    const std::string display = desk.session().displayName();
    desk.power().onBattery(55, 90);
    desk.start();
    const Window main = waitForRevealedGauge(desk);
    ASSERT_NE(main, 0u) << desk.log();
    ASSERT_TRUE(waitUntil([&] { return shownLevel(desk.shot()) == 6; }, 5s)) << desk.log();

    const auto panelShown = [&] {
        const Window p = tint2Panel(d);
        return p && isViewable(d, p);
    };
    // pcmanfm's; the hostile windows below may carry a desktop type in a form the helpers accept.
    const auto desktopShown = [&] {
        for (Window w : viewableOfType(d, "DESKTOP"))
            if (wmClass(d, w).find("hostile") == std::string::npos) return true;
        return false;
    };
    const auto tint2Pids = [&] {
        std::vector<pid_t> out;
        for (pid_t p : processesOnDisplay(display))
            if (exeOf(p).ends_with("/tint2")) out.push_back(p);
        return out;
    };
    const auto restartTint2 = [&](const std::string& logName) {
        const auto pids = tint2Pids();
        ASSERT_EQ(pids.size(), 1u);
        ::kill(pids[0], SIGKILL);
        desk.session().end(pids[0]);
        // The server may hand the new panel the old one's window id: wait for it to be gone.
        ASSERT_TRUE(waitUntil([&] { return tint2Panel(d) == 0; }, 5s));
        desk.session().spawn({"tint2"}, logName);
        ASSERT_TRUE(waitUntil(panelShown, 15s)) << desk.session().log(logName);
    };

    {
        SCOPED_TRACE("hostile window types are not taken for panels or desktops");
        const Atom dock = atom(d, "_NET_WM_WINDOW_TYPE_DOCK");
        const Atom desktop = atom(d, "_NET_WM_WINDOW_TYPE_DESKTOP");
        const char* type = "_NET_WM_WINDOW_TYPE";
        std::vector<Window> hostile;
        int x = 300;
        for (Atom kind : {dock, desktop}) {
            hostile.push_back(hostileWindow(d, x += 20, [&](Window w) {
                put32(d, w, type, XA_CARDINAL, {static_cast<long>(kind)});
            }));
            hostile.push_back(hostileWindow(
                d, x += 20, [&](Window w) { put8(d, w, type, XA_ATOM, bytesAround(kind)); }));
            hostile.push_back(hostileWindow(d, x += 20, [&](Window w) {
                const auto v = static_cast<std::uint32_t>(kind);
                put16(d, w, type, XA_ATOM,
                      {7, static_cast<short>(v & 0xffff), static_cast<short>(v >> 16), 9});
            }));
            hostile.push_back(hostileWindow(d, x += 20, [&](Window w) {
                put32(d, w, type, XA_ATOM, junkAround(kind, 100000));
            }));
            hostile.push_back(hostileWindow(d, x += 20, [&](Window w) {
                put8(d, w, type, XA_STRING,
                     kind == dock ? "_NET_WM_WINDOW_TYPE_DOCK" : "_NET_WM_WINDOW_TYPE_DESKTOP");
            }));
        }
        const auto allHostileShown = [&] {
            for (Window w : hostile)
                if (!isViewable(d, w)) return false;
            return true;
        };
        ASSERT_TRUE(waitUntil(allHostileShown, 5s));
        // Panels by their type that were never shown, with junk where the gauge keeps its copies:
        // taken for hidden panels; the junk is not used when they are shown.
        std::vector<Window> spoiledDocks;
        for (int variant = 0; variant < 3; ++variant) {
            const Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 600 + 20 * variant, 300,
                                                 16, 16, 0, 0, 0);
            XClassHint cls{const_cast<char*>("hostile"), const_cast<char*>("Hostile")};
            XSetClassHint(d, w, &cls);
            put32(d, w, type, XA_ATOM, {static_cast<long>(dock)});
            spoilSavedState(d, w, variant);
            spoiledDocks.push_back(w);
        }

        // Each hide leaves junk over the saved copies; each show still brings the panel back.
        for (int variant = 0; variant < 3; ++variant) {
            tapKey(d, XK_F6);
            ASSERT_TRUE(waitUntil([&] { return !panelShown(); }, 3s)) << "F6 did not hide it";
            spoilSavedState(d, tint2Panel(d), variant);
            tapKey(d, XK_F6);
            EXPECT_TRUE(waitUntil(panelShown, 3s)) << "variant " << variant;
        }
        for (Window w : spoiledDocks)
            EXPECT_TRUE(waitUntil([&] { return isViewable(d, w); }, 2s))
                << "a never-shown panel with junk copies was not shown like a hidden one";
        tapKey(d, XK_F7);
        ASSERT_TRUE(waitUntil([&] { return !desktopShown(); }, 3s)) << "F7 did not hide icons";
        for (Window w : findWindowsByType(d, "DESKTOP"))
            spoilSavedState(d, w, 2);
        tapKey(d, XK_F7);
        EXPECT_TRUE(waitUntil(desktopShown, 3s));
        EXPECT_TRUE(allHostileShown()) << "a hostile window was handled as a shell window";
        EXPECT_TRUE(desk.running()) << desk.log();
        hostile.insert(hostile.end(), spoiledDocks.begin(), spoiledDocks.end());
        for (Window w : hostile)
            XDestroyWindow(d, w);
        XSync(d, False);
    }
    {
        SCOPED_TRACE("the panel killed and restarted while shown");
        restartTint2("tint2-shown");
        if (HasFatalFailure()) return;
        tapKey(d, XK_F6);
        EXPECT_TRUE(waitUntil([&] { return !panelShown(); }, 3s)) << "F6 missed the new panel";
        EXPECT_TRUE(desk.running()) << desk.log();
    }
    {
        SCOPED_TRACE("the panel killed and restarted while hidden");
        restartTint2("tint2-hidden");
        if (HasFatalFailure()) return;
        tapKey(d, XK_F6); // shows the panel: the new one is shown already
        ASSERT_TRUE(desk.running()) << desk.log();
        EXPECT_FALSE(waitUntil([&] { return !panelShown(); }, 1s));
        tapKey(d, XK_F6);
        EXPECT_TRUE(waitUntil([&] { return !panelShown(); }, 3s)) << "F6 missed the new panel";
        tapKey(d, XK_F6);
        EXPECT_TRUE(waitUntil(panelShown, 3s));
        EXPECT_TRUE(desk.running()) << desk.log();
    }
    {
        SCOPED_TRACE("the battery pulled out and put back");
        desk.power().noBattery();
        EXPECT_TRUE(answer(desk, "Info - Batterie", XK_Escape)) << "no question, or No failed";
        ASSERT_TRUE(desk.running()) << "No keeps it running";
        desk.power().onBattery(55, 90);
        EXPECT_TRUE(waitUntil(
            [&] {
                const Image s = desk.shot();
                return shownSource(s) == PictureId::PileOn && shownLevel(s) == 6;
            },
            4s))
            << "the level did not come back";
    }
    {
        SCOPED_TRACE("the compositor comes and goes while the gauge is hidden");
        const Geometry g = geometry(d, main);
        // A window under the gauge that counts the clicks reaching it.
        const Window under = createWindow(d, g.x, g.y, 200, 200, 0x2080c0, "under-the-gauge");
        XSelectInput(d, under, ButtonPressMask);
        XSync(d, False);
        const Geometry u = geometry(d, under);
        ASSERT_TRUE(u.x <= g.x + 100 && u.y <= g.y + 60 && u.x + 200 > g.x + 100)
            << "placed at " << u.x << "," << u.y;
        ASSERT_TRUE(choose(desk, main, 4, 3)); // 3 barre
        ASSERT_TRUE(answer(desk, "Touche Rappel"));
        const auto invisibleAndClickThrough = [&](const char* when) {
            SCOPED_TRACE(when);
            EXPECT_TRUE(waitUntil([&] { return !gaugeShows(desk.shot()); }, 3s))
                << "the hidden gauge shows";
            EXPECT_EQ(inputRectangles(d, main), 0) << "it takes the clicks";
            XSync(d, False);
            while (XPending(d)) {
                XEvent e;
                XNextEvent(d, &e);
            }
            click(d, g.x + 100, g.y + 60);
            EXPECT_TRUE(waitUntil(
                [&] {
                    XEvent e;
                    return XCheckTypedWindowEvent(d, under, ButtonPress, &e) == True;
                },
                2s))
                << "the click did not reach the window under it";
            EXPECT_TRUE(desk.running()) << desk.log();
        };
        invisibleAndClickThrough("no compositor");
        desk.session().startPicom();
        EXPECT_TRUE(
            waitUntil([&] { return getCardinal(d, main, "_NET_WM_WINDOW_OPACITY") == 0ul; }, 3s));
        invisibleAndClickThrough("compositor arrived");
        desk.session().stopPicom();
        invisibleAndClickThrough("compositor left");
        desk.session().startPicom();
        invisibleAndClickThrough("compositor back");
        XDestroyWindow(d, under);
        XSync(d, False);
        tapKey(d, XK_F8);
        EXPECT_TRUE(waitUntil([&] { return gaugeShows(desk.shot()); }, 3s)) << "F8 did not recall";
        EXPECT_TRUE(desk.running()) << desk.log();
    }
}

// The blink's changes of picture (the level shown from then on, and when), timed by
// screenshots, until `count` have been seen.
struct Change {
    int level;
    Clock::time_point at;
};
std::vector<Change> blinkChanges(GaugeDesk& desk, std::size_t count) {
    std::vector<Change> changes;
    std::optional<int> last;
    waitUntil(
        [&] {
            const auto level = shownLevel(desk.shot());
            if (level && (*level == 0 || *level == 1) && level != last) {
                if (last) changes.push_back({*level, Clock::now()});
                last = level;
            }
            return changes.size() >= count;
        },
        std::chrono::seconds(count + 6), 10ms);
    return changes;
}

long msBetween(Clock::time_point a, Clock::time_point b) {
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(b - a).count());
}

bool exitedWithin(pid_t pid, std::chrono::milliseconds limit, int& status) {
    const auto deadline = Clock::now() + limit;
    while (Clock::now() < deadline) {
        if (::waitpid(pid, &status, WNOHANG) == pid) return true;
        std::this_thread::sleep_for(5ms);
    }
    return false;
}

TEST_F(Faults, WithoutSoundTheBlinkKeepsItsRhythmAndALostDisplayEndsTheGaugeCleanly) {
    GaugeDesk desk(/*picom*/ false, /*pcmanfm*/ false);
    // ALSA's default device on a card that does not exist.
    std::ofstream(desk.session().path("asound.conf"))
        << "</usr/share/alsa/alsa.conf>\npcm.!default { type hw; card 9; device 7 }\n";
    desk.power().onBattery(4, 10);
    const pid_t gauge = desk.start();
    ASSERT_NE(waitForRevealedGauge(desk), 0u) << desk.log();
    {
        SCOPED_TRACE("no sound device: the blink alternates once a second");
        // Each reading turns the column over: to the empty picture, painted as its five tones
        // of 100 ms start, then back; each picture stays a second. A silent beep that hung would
        // stretch the empty one and the period (that it still lasts its 500 ms is the speaker's
        // own test).
        const auto changes = blinkChanges(desk, 8);
        ASSERT_GE(changes.size(), 8u) << "the column did not blink\n" << desk.log();
        std::ostringstream all;
        for (std::size_t i = 1; i < changes.size(); ++i)
            all << changes[i - 1].level << ":" << msBetween(changes[i - 1].at, changes[i].at)
                << " ";
        for (std::size_t i = 1; i < changes.size(); ++i) {
            const long span = msBetween(changes[i - 1].at, changes[i].at);
            EXPECT_NEAR(span, 1000, 250)
                << "level:ms " << all.str();
        }
        for (std::size_t i = 2; i < changes.size(); ++i)
            EXPECT_NEAR(msBetween(changes[i - 2].at, changes[i].at), 2000, 250)
                << "level:ms " << all.str();
        const long mean = msBetween(changes.front().at, changes.back().at) /
                          static_cast<long>(changes.size() - 1);
        EXPECT_NEAR(mean, 1000, 80) << "level:ms " << all.str();
        EXPECT_TRUE(desk.sound().empty()) << "the tones went somewhere";
        EXPECT_TRUE(desk.running()) << desk.log();
    }
    {
        SCOPED_TRACE("the X server killed under it");
        const std::string display = desk.session().displayName();
        const std::string number = display.substr(1);
        const std::string lock = "/tmp/.X" + number + "-lock";
        std::ifstream lockFile(lock);
        pid_t xvfb = 0;
        lockFile >> xvfb;
        ASSERT_GT(xvfb, 0) << "no Xvfb in " << lock;
        const std::string sorvaneExe = exeOf(gauge);
        ASSERT_TRUE(sorvaneExe.ends_with("/sorvane")) << sorvaneExe;

        // From here on the test's own connection is dead: no X call until the desk is gone.
        ::kill(xvfb, SIGKILL);
        int status = 0;
        const bool exited = exitedWithin(gauge, 1000ms, status);
        // A killed server leaves its lock and socket behind; later sessions would skip them.
        waitUntil([&] { return exeOf(xvfb).empty(); }, 2s);
        std::filesystem::remove(lock);
        std::filesystem::remove("/tmp/.X11-unix/X" + number);
        ASSERT_TRUE(exited) << "still running 1 s after the display died";
        ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status)
                                       << (WCOREDUMP(status) ? " with a core dump" : "");
        EXPECT_NE(WEXITSTATUS(status), 0);
        const std::string err = desk.log();
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << "[" << err << "]";
        EXPECT_NE(err.find("lost the connection to the X display"), std::string::npos) << err;
        std::vector<pid_t> left;
        for (pid_t p : processesOnDisplay(display))
            if (exeOf(p) == sorvaneExe || p == gauge) left.push_back(p);
        EXPECT_TRUE(left.empty()) << left.size() << " sorvane process(es) left on " << display;
        EXPECT_FALSE(std::filesystem::exists(desk.session().path("core")));
        // The desk's session must not talk to the dead server either.
        desk.session().end(gauge);
    }
}

} // namespace
