// The faults a desktop throws at a gauge that runs for weeks: panels and compositors that come
// and go, a battery pulled out, no sound device, hostile windows, and the X server itself dying.
// The real `sorvane` on a private desktop each time, checked by pixels, properties and processes.
// GoogleTest first: Xlib's macros (None, Bool, ...) would break its templates.
#include <gtest/gtest.h>

#include "fault/fault_desk.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
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
            EXPECT_NEAR(span, 1000, 250) << "level:ms " << all.str();
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
        // Reaped, not only gone from view: a server still closing its sockets would make the
        // session's own connection close through it, and Xlib end the test.
        waitUntil([&] { return !sorvane::testsupport::isRunning(xvfb); }, 5s);
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

// The top-level window (a frame, or the window itself) that holds `w`.
Window topLevelOf(Display* d, Window w) {
    for (Window p = parentOf(d, w); p && p != DefaultRootWindow(d); p = parentOf(d, w))
        w = p;
    return w;
}

// Whether `upper` is stacked above `lower` among the root's children.
bool stackedAbove(Display* d, Window upper, Window lower) {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned n = 0;
    if (!XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &n)) return false;
    const Window a = topLevelOf(d, upper), b = topLevelOf(d, lower);
    int ia = -1, ib = -1;
    for (unsigned i = 0; i < n; ++i) {
        if (children[i] == a) ia = static_cast<int>(i);
        if (children[i] == b) ib = static_cast<int>(i);
    }
    if (children) XFree(children);
    return ia > ib && ib >= 0;
}

// Whether a signal sent to the process has not been delivered yet.
bool signalPending(pid_t pid, int sig) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with("SigPnd:") || line.starts_with("ShdPnd:"))
            if ((std::stoull(line.substr(7), nullptr, 16) >> (sig - 1)) & 1) return true;
    return false;
}

pid_t processOf(const std::string& display, const std::string& exeSuffix) {
    for (pid_t p : processesOnDisplay(display))
        if (exeOf(p).ends_with(exeSuffix)) return p;
    return 0;
}

TEST_F(Faults, AnUnaskedQuestionSignalsAndAGaugeOffScreenLeaveTheUserInCharge) {
    // A screen that can shrink under the gauge later on.
    GaugeDesk desk({.wm = Wm::Openbox,
                    .tint2 = true,
                    .pcmanfmDesktop = true,
                    .width = 1280,
                    .height = 1024,
                    .resizable = true});
    Display* d = desk.d();
    const std::string display = desk.session().displayName();
    desk.power().onBattery(55, 90);
    desk.start();
    Window main = waitForRevealedGauge(desk);
    ASSERT_NE(main, 0u) << desk.log();
    // The gauge answers its menu within a second whatever was done to it.
    const auto menuAnswers = [&] {
        const Geometry g = geometry(d, main);
        click(d, g.x + 8, g.y + 121);
        const bool opened = waitUntil([&] { return !popups(desk).empty(); }, 1s);
        tapKey(d, XK_Escape);
        return opened && waitUntil([&] { return popups(desk).empty(); }, 1s);
    };
    const auto panelShown = [&] {
        const Window p = tint2Panel(d);
        return p && isViewable(d, p);
    };
    const auto desktopShown = [&] { return !viewableOfType(d, "DESKTOP").empty(); };
    ASSERT_TRUE(menuAnswers());
    {
        SCOPED_TRACE("the no-battery question leaves the keyboard where the user types");
        const Window typing = createWindow(d, 500, 200, 300, 200, 0x336699, "typing-here");
        XSelectInput(d, typing, KeyPressMask);
        XSetInputFocus(d, typing, RevertToPointerRoot, CurrentTime);
        XSync(d, False);
        const auto focused = [&] {
            Window focus = 0;
            int revert = 0;
            XGetInputFocus(d, &focus, &revert);
            return focus == typing;
        };
        ASSERT_TRUE(waitUntil(focused, 2s));
        desk.power().noBattery();
        Window box = 0;
        ASSERT_TRUE(
            waitUntil([&] { return (box = desk.mappedTitled("Info - Batterie")) != 0; }, 5s))
            << desk.log();
        ASSERT_TRUE(waitUntil([&] { return isViewable(d, box); }, 2s));
        EXPECT_FALSE(waitUntil([&] { return !focused(); }, 1s)) << "the question took the focus";
        const Geometry b = geometry(d, box), g = geometry(d, main);
        const bool overlaps =
            b.x < g.x + static_cast<int>(g.width) && g.x < b.x + static_cast<int>(b.width) &&
            b.y < g.y + static_cast<int>(g.height) && g.y < b.y + static_cast<int>(b.height);
        EXPECT_TRUE(!overlaps || stackedAbove(d, box, main)) << "the gauge covers the question";
        XSync(d, False);
        while (XPending(d)) {
            XEvent e;
            XNextEvent(d, &e);
        }
        tapKey(d, XK_Return);
        EXPECT_TRUE(waitUntil(
            [&] {
                XEvent e;
                return XCheckTypedWindowEvent(d, typing, KeyPress, &e) == True;
            },
            2s))
            << "Return did not reach the window being typed in";
        EXPECT_FALSE(waitUntil([&] { return desk.mappedTitled("Info - Batterie") == 0; }, 1s))
            << "Return typed elsewhere answered the question";
        ASSERT_TRUE(desk.running()) << "Return typed elsewhere ended the gauge";
        // A click on the box gives it the keyboard: it answers as before.
        click(d, b.x + static_cast<int>(b.width) / 2, b.y + 8);
        EXPECT_TRUE(waitUntil([&] { return !focused(); }, 2s)) << "a click did not focus it";
        tapKey(d, XK_Escape);
        EXPECT_TRUE(waitUntil([&] { return desk.mappedTitled("Info - Batterie") == 0; }, 3s))
            << "the focused question did not take Escape";
        EXPECT_TRUE(desk.running());
        XDestroyWindow(d, typing);
        XSync(d, False);
        desk.power().onBattery(55, 90);
        EXPECT_TRUE(menuAnswers());
    }
    {
        SCOPED_TRACE("power files that would block a reading do not hold the gauge");
        // The question was answered No: the unknown charge they read as puts it no more.
        const std::filesystem::path bat = desk.power().dir() / "BAT0";
        std::filesystem::remove(bat / "capacity");
        ASSERT_EQ(::mkfifo((bat / "capacity").c_str(), 0644), 0);
        std::filesystem::remove(bat / "status");
        std::filesystem::create_symlink("/dev/zero", bat / "status");
        // Readings come once a second: the menu answers through several of them.
        for (const auto until = Clock::now() + 2500ms; Clock::now() < until;)
            ASSERT_TRUE(menuAnswers()) << "a reading held the gauge";
        desk.power().onBattery(25, 90);
        EXPECT_TRUE(waitUntil([&] { return shownLevel(desk.shot()) == 3; }, 3s))
            << "regular files put back are not read";
        ASSERT_TRUE(desk.running()) << desk.log();
    }
    const auto endedBy = [&](int sig, std::chrono::milliseconds within) {
        int status = 0;
        const bool exited = exitedWithin(desk.pid(), within, status);
        desk.stop();
        if (!exited) return ::testing::AssertionFailure() << "still running";
        if (!WIFSIGNALED(status) || WTERMSIG(status) != sig)
            return ::testing::AssertionFailure()
                   << "status " << status << ", not ended by signal " << sig;
        return ::testing::AssertionSuccess();
    };
    // Each ending signal shows again what this run hid, and only that: a panel withdrawn by
    // someone else stays withdrawn.
    struct Ending {
        int sig;
        bool hidesPanel, hidesDesktop, panelWithdrawnElsewhere;
    };
    for (const Ending& e :
         {Ending{SIGTERM, true, true, false}, Ending{SIGHUP, false, true, true}}) {
        SCOPED_TRACE("ended by signal " + std::to_string(e.sig));
        if (!desk.running()) {
            desk.start();
            ASSERT_NE(main = waitForRevealedGauge(desk), 0u) << desk.log();
        }
        Window withdrawn = 0;
        if (e.panelWithdrawnElsewhere) {
            withdrawn = tint2Panel(d);
            XUnmapWindow(d, withdrawn);
            XSync(d, False);
            ASSERT_TRUE(waitUntil([&] { return !panelShown(); }, 3s));
        }
        if (e.hidesPanel) tapKey(d, XK_F6);
        if (e.hidesDesktop) tapKey(d, XK_F7);
        ASSERT_TRUE(waitUntil(
            [&] {
                return panelShown() == !(e.hidesPanel || e.panelWithdrawnElsewhere) &&
                       desktopShown() == !e.hidesDesktop;
            },
            3s));
        ASSERT_TRUE(menuAnswers());
        ::kill(desk.pid(), e.sig);
        EXPECT_TRUE(endedBy(e.sig, 3s)) << desk.log();
        EXPECT_TRUE(waitUntil(desktopShown, 2s)) << "the desktop stayed hidden";
        if (e.panelWithdrawnElsewhere) {
            EXPECT_FALSE(waitUntil(panelShown, 500ms)) << "a panel this run did not hide was shown";
            XMapWindow(d, withdrawn);
            XSync(d, False);
            ASSERT_TRUE(waitUntil(panelShown, 3s));
        } else {
            EXPECT_TRUE(waitUntil(panelShown, 2s)) << "the panel stayed hidden";
        }
    }
    {
        SCOPED_TRACE("a second signal during the restore ends it at once");
        desk.start();
        ASSERT_NE(main = waitForRevealedGauge(desk), 0u) << desk.log();
        tapKey(d, XK_F6);
        ASSERT_TRUE(waitUntil([&] { return !panelShown(); }, 3s));
        // With the window manager frozen, the panel's restore waits for it.
        const pid_t openbox = processOf(display, "/openbox");
        ASSERT_GT(openbox, 0);
        ::kill(openbox, SIGSTOP);
        // Ctrl+C is caught like the others: the second signal, not it, ends the gauge. The
        // second is sent once the first is taken, or the kernel may hand them over in its order.
        ::kill(desk.pid(), SIGINT);
        waitUntil([&] { return !signalPending(desk.pid(), SIGINT); }, 2s);
        ::kill(desk.pid(), SIGHUP);
        EXPECT_TRUE(endedBy(SIGHUP, 500ms)) << desk.log();
        ::kill(openbox, SIGCONT);
        // The way back for a user: start the gauge again and toggle the taskbar (once shows it,
        // or, when the window manager mapped it meanwhile, twice).
        desk.start();
        ASSERT_NE(main = waitForRevealedGauge(desk), 0u) << desk.log();
        for (int toggle = 0; toggle < 2 && !panelShown(); ++toggle) {
            tapKey(d, XK_F6);
            waitUntil(panelShown, 3s);
        }
        const Window panel = tint2Panel(d);
        EXPECT_TRUE(panelShown()) << "F6 did not bring the panel back: panel " << panel
                                  << (panel && isViewable(d, panel) ? " viewable" : "");
    }
    {
        SCOPED_TRACE("F8 brings a gauge partly off screen back within reach");
        const auto wholeOnScreen = [&] {
            const Geometry g = geometry(d, main);
            return g.x >= 0 && g.y >= 0 && g.x + static_cast<int>(g.width) <= 1280 &&
                   g.y + static_cast<int>(g.height) <= 1024;
        };
        XMoveWindow(d, main, 1236, 956);
        XSync(d, False);
        ASSERT_TRUE(waitUntil([&] { return geometry(d, main).x == 1236; }, 3s));
        tapKey(d, XK_F8);
        EXPECT_TRUE(waitUntil(wholeOnScreen, 3s))
            << "F8 left it at " << geometry(d, main).x << "," << geometry(d, main).y;
        EXPECT_TRUE(menuAnswers());
    }
    {
        SCOPED_TRACE("a screen that shrinks under the gauge leaves it within reach, unchanged");
        XMoveWindow(d, main, 1100, 850);
        XSync(d, False);
        ASSERT_TRUE(waitUntil(
            [&] {
                return geometry(d, main) == Geometry{1100, 850, 128, 128};
            },
            3s))
            << "placed at " << geometry(d, main).x << "," << geometry(d, main).y;
        const bool above = hasAtom(d, main, "_NET_WM_STATE", "_NET_WM_STATE_ABOVE");
        const auto opacity = getCardinal(d, main, "_NET_WM_WINDOW_OPACITY");
        const Geometry shape = shapeExtent(d, main);
        ASSERT_TRUE(above);
        ASSERT_TRUE(desk.session().resizeScreen(800, 600)) << desk.session().log("Xephyr");
        // The work area the window manager derives from the new screen and the panel's strut.
        Geometry area;
        const auto workArea = [&] {
            const auto p = getProperty(d, DefaultRootWindow(d), "_NET_WORKAREA");
            if (!p || p->items.size() < 4) return false;
            area = {static_cast<int>(p->items[0]), static_cast<int>(p->items[1]),
                    static_cast<unsigned>(p->items[2]), static_cast<unsigned>(p->items[3])};
            return area.width <= 800 && area.height < 600;
        };
        ASSERT_TRUE(waitUntil(workArea, 5s));
        const auto inWorkArea = [&] {
            const Geometry g = geometry(d, main);
            return g.x >= area.x && g.y >= area.y &&
                   g.x + static_cast<int>(g.width) <= area.x + static_cast<int>(area.width) &&
                   g.y + static_cast<int>(g.height) <= area.y + static_cast<int>(area.height);
        };
        EXPECT_TRUE(waitUntil(inWorkArea, 3s))
            << "left at " << geometry(d, main).x << "," << geometry(d, main).y << ", the work area "
            << area.x << "," << area.y << " " << area.width << "x" << area.height;
        const Geometry g = geometry(d, main);
        EXPECT_EQ(g.width, 128u);
        EXPECT_EQ(g.height, 128u);
        EXPECT_EQ(hasAtom(d, main, "_NET_WM_STATE", "_NET_WM_STATE_ABOVE"), above);
        EXPECT_EQ(getCardinal(d, main, "_NET_WM_WINDOW_OPACITY"), opacity);
        EXPECT_EQ(shapeExtent(d, main), shape);
        // The close and options buttons show on the screen as the gauge draws them.
        for (const auto& [bx, by] : {std::pair{2, 2}, std::pair{2, 118}}) {
            const Image own = grab(d, main, bx, by, 14, 8);
            const Image seen = grab(d, DefaultRootWindow(d), g.x + bx, g.y + by, 14, 8);
            EXPECT_TRUE(own.width == 14 && seen.rgb == own.rgb)
                << "the button at " << bx << "," << by << " is not on screen";
        }
        EXPECT_TRUE(menuAnswers());
    }
}

// A write to the dead connection must not end the program by SIGPIPE before its error path has
// said so. Repeated while the CPU is busy, when the race went wrong.
TEST(Display, LosingItUnderLoadAlwaysEndsWithOneLineAndExitCode1) {
    if (!powerNamespaceAvailable()) GTEST_SKIP() << "no private mount namespace here";
    std::vector<pid_t> busy;
    for (int i = 0; i < 2; ++i)
        busy.push_back(sorvane::testsupport::spawn({"sh", "-c", "while :; do :; done"}));
    // Each round starts a display and a gauge: 1 to 3 s on a loaded 2-core machine.
    constexpr int kRounds = 20;
    std::map<std::string, int> endings;
    for (int round = 0; round < kRounds; ++round) {
        XSession session;
        PowerTree power(session.path("power_supply"));
        power.onBattery(55, 90);
        std::ofstream(session.path("asound.conf")) << "pcm.!default { type null }\n";
        const pid_t gauge = session.spawn(
            inPowerNamespace(
                power.dir().string(),
                {"env", "ALSA_CONFIG_PATH=" + session.path("asound.conf"), SORVANE_BINARY}),
            "sorvane");
        // Lost while the gauge comes into view: it writes to the server all the time then.
        ASSERT_TRUE(waitUntil(
            [&] { return !findWindowsByClass(session.display(), "sorvane").empty(); }, 10s))
            << session.log("sorvane");
        const std::string number = session.displayName().substr(1);
        const std::string lock = "/tmp/.X" + number + "-lock";
        pid_t xvfb = 0;
        std::ifstream(lock) >> xvfb;
        ASSERT_GT(xvfb, 0);
        ::kill(xvfb, SIGKILL);
        int status = 0;
        const bool exited = exitedWithin(gauge, 3000ms, status);
        waitUntil([&] { return !sorvane::testsupport::isRunning(xvfb); }, 5s);
        std::filesystem::remove(lock);
        std::filesystem::remove("/tmp/.X11-unix/X" + number);
        const std::string err = session.log("sorvane");
        std::string ending =
            !exited                    ? "still running after 3 s"
            : WIFSIGNALED(status)      ? "signal " + std::to_string(WTERMSIG(status))
            : WEXITSTATUS(status) != 1 ? "exit " + std::to_string(WEXITSTATUS(status))
            : std::count(err.begin(), err.end(), '\n') != 1 ||
                    err.find("lost the connection to the X display") == std::string::npos
                ? "exit 1 with [" + err + "]"
                : "exit 1 with one line";
        ++endings[ending];
        session.end(gauge);
    }
    for (pid_t p : busy)
        sorvane::testsupport::endProcess(p, 100ms);
    std::ostringstream all;
    for (const auto& [ending, count] : endings)
        all << count << " x " << ending << "; ";
    std::printf("[ endings ] %s\n", all.str().c_str());
    EXPECT_EQ(endings["exit 1 with one line"], kRounds) << all.str();
}

} // namespace
