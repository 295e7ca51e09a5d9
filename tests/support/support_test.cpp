// The e2e helpers themselves: a session comes up and leaves nothing behind; input, pixels and the
// power namespace do what the tests built on them assume.
#include <gtest/gtest.h>

#include "support/process.h"
#include "support/wait.h"
#include "support/x_helpers.h"
#include "support/x_session.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace {

using namespace sorvane::testsupport;
using namespace std::chrono_literals;

bool alive(pid_t pid) {
    return ::kill(pid, 0) == 0;
}

TEST(XSession, StartsTheDesktopAndEndsEveryProcessItStarted) {
    std::string lock;
    pid_t sleeper = 0;
    {
        XSession s({.wm = Wm::Openbox, .tint2 = true});
        lock = "/tmp/.X" + std::to_string(s.displayNumber()) + "-lock";
        EXPECT_NE(s.displayNumber(), 0);
        EXPECT_TRUE(std::filesystem::exists(lock));
        EXPECT_NE(selectionOwner(s.display(), "WM_S0"), None);
        const auto docks = findViewableByType(s.display(), "DOCK");
        ASSERT_EQ(docks.size(), 1u);
        EXPECT_NE(wmClass(s.display(), docks[0]).find("tint2"), std::string::npos);
        sleeper = s.spawn({"sleep", "1000"});
        const RunResult r = s.run({"sh", "-c", "echo $DISPLAY $HOME"});
        EXPECT_EQ(r.out.substr(0, s.displayName().size()), s.displayName());
        EXPECT_EQ(r.out.find("/root"), std::string::npos) << "a private HOME";
    }
    EXPECT_FALSE(alive(sleeper));
    EXPECT_FALSE(std::filesystem::exists(lock)) << "Xvfb ended";
    // Nothing re-parented to us is left (dbus-daemon, its launcher, activated services).
    endOrphans();
    int status = 0;
    EXPECT_EQ(::waitpid(-1, &status, WNOHANG), -1) << "no child of ours is left";
}

TEST(XSession, InputAndPixelsReachTheServer) {
    XSession s;
    Display* d = s.display();
    const Window w = createWindow(d, 100, 100, 50, 40, 0xC03020);
    EXPECT_EQ(pixel(d, 120, 120), (Rgb{0xC0, 0x30, 0x20}));
    EXPECT_EQ(geometry(d, w), (Geometry{100, 100, 50, 40}));
    const Image shot = grab(d);
    EXPECT_EQ(shot.at(149, 139), (Rgb{0xC0, 0x30, 0x20}));
    EXPECT_NE(shot.at(150, 140), (Rgb{0xC0, 0x30, 0x20}));

    XSelectInput(d, w, ButtonPressMask | KeyPressMask);
    XSetInputFocus(d, w, RevertToPointerRoot, CurrentTime);
    click(d, 110, 110);
    tapKey(d, XK_F8);
    bool clicked = false, typed = false;
    ASSERT_TRUE(waitUntil([&] {
        while (XPending(d)) {
            XEvent e;
            XNextEvent(d, &e);
            clicked |= e.type == ButtonPress;
            typed |= e.type == KeyPress && XLookupKeysym(&e.xkey, 0) == XK_F8;
        }
        return clicked && typed;
    }));
}

TEST(PowerNamespace, ShowsTheFixtureAsTheSystemsPowerSupplies) {
    if (!powerNamespaceAvailable()) GTEST_SKIP() << "no mount namespace here";
    const auto dir =
        std::filesystem::temp_directory_path() / ("sorvane-ns-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir / "BAT7");
    std::ofstream(dir / "BAT7" / "type") << "Battery\n";
    const RunResult r = run(inPowerNamespace(dir.string(), {"ls", "/sys/class/power_supply"}));
    std::filesystem::remove_all(dir);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "BAT7\n");
}

TEST(Run, CapturesOutputAndExitCodeAndEndsARunawayCommand) {
    const RunResult r = run({"sh", "-c", "echo out; echo err >&2; exit 3"});
    EXPECT_EQ(r.out, "out\n");
    EXPECT_EQ(r.err, "err\n");
    EXPECT_EQ(r.exitCode, 3);
    const RunResult slow = run({"sleep", "30"}, {}, 200ms);
    EXPECT_EQ(slow.exitCode, 128 + SIGKILL);
    EXPECT_LT(slow.elapsed, 5s);
}

} // namespace
