// The real `sorvane` in Wayland sessions: sway, mutter and KWin headless with Xwayland, each as a
// throwaway user. What each compositor grants an X11 gauge is a row of the table below; the
// README's table says the same.
// GoogleTest first: Xlib's macros (None, Bool, ...) would break its templates.
#include <gtest/gtest.h>

#include "support/tones.h"
#include "support/wait.h"
#include "support/x_helpers.h"
#include "wayland/wayland_desk.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <regex>

namespace {

using namespace sorvane::wayland;
using namespace sorvane::testsupport;
using namespace std::chrono_literals;

struct Row {
    Compositor compositor;
    const char* name;
    bool placedAsAsked;     // at 2,33
    bool shownBesideNative; // still mapped and not hidden while a native window is active
    bool portal;            // KDE's portal: F5..F8 as global shortcuts
};

std::ostream& operator<<(std::ostream& out, const Row& r) {
    return out << r.name;
}

constexpr unsigned long opacityOf(unsigned alpha) {
    return alpha * 0x01010101ul;
}

class Session : public ::testing::TestWithParam<Row> {
  protected:
    void SetUp() override {
        if (!WaylandDesk::installed(GetParam().compositor))
            GTEST_SKIP() << GetParam().name << " is not installed";
        if (!powerNamespaceAvailable()) GTEST_SKIP() << "no private mount namespace here";
        desk = std::make_unique<WaylandDesk>(GetParam().compositor);
        d = desk->d();
    }

    Window form(const std::string& name) {
        for (Window w : findWindowsByClass(d, "sorvane"))
            if (wmName(d, w) == name) return w;
        return 0;
    }
    Window mappedTitled(const std::string& title) {
        for (Window w : findWindowsByClass(d, "sorvane"))
            if (wmName(d, w) == title && isViewable(d, w)) return w;
        return 0;
    }
    bool shown(Window w) {
        return isViewable(d, w) && !hasAtom(d, w, "_NET_WM_STATE", "_NET_WM_STATE_HIDDEN");
    }
    std::optional<unsigned long> opacity() {
        return getCardinal(d, main, "_NET_WM_WINDOW_OPACITY");
    }
    Window popup() {
        for (Window w : findWindowsByClass(d, "sorvane")) {
            XWindowAttributes a{};
            if (XGetWindowAttributes(d, w, &a) && a.override_redirect &&
                a.map_state == IsViewable && a.width > 20)
                return w;
        }
        return 0;
    }
    // The options button, then the n-th entry and the k-th of its sub-menu, by keyboard.
    bool choose(int n, int k) {
        const Geometry g = geometry(d, main);
        click(d, g.x + 8, g.y + 121);
        if (!waitUntil([&] { return popup() != 0; }, 3s)) return false;
        for (int i = 0; i < n; ++i)
            tapKey(d, XK_Down);
        tapKey(d, XK_Right);
        for (int i = 1; i < k; ++i)
            tapKey(d, XK_Down);
        tapKey(d, XK_Return);
        return waitUntil([&] { return popup() == 0; }, 2s);
    }
    bool acknowledge(const std::string& title) {
        Window box = 0;
        if (!waitUntil([&] { return (box = mappedTitled(title)) != 0; }, 3s)) return false;
        const Geometry g = geometry(d, box);
        click(d, g.x + static_cast<int>(g.width) / 2, g.y + 8);
        tapKey(d, XK_Return);
        return waitUntil([&] { return mappedTitled(title) == 0; }, 3s);
    }
    // Hides the gauge until three bars ("3 barre"), the box acknowledged.
    void hide() {
        ASSERT_TRUE(choose(4, 3)) << "the menu did not come or go";
        ASSERT_TRUE(waitUntil([&] { return opacity() == opacityOf(0); }, 3s));
        ASSERT_TRUE(acknowledge("Touche Rappel"));
    }
    std::size_t tones() {
        std::ifstream in(desk->path("home/beep.raw"), std::ios::binary);
        std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
        std::vector<std::int16_t> samples(bytes.size() / 2);
        std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
        return toneFrequencies(samples).size();
    }
    // Fires one of the program's global shortcuts as the desktop would, through kglobalaccel.
    bool invoke(const std::string& id) {
        const auto all =
            desk->run({"dbus-send", "--session", "--print-reply", "--dest=org.kde.kglobalaccel",
                       "/kglobalaccel", "org.kde.KGlobalAccel.allComponents"});
        std::smatch m;
        static const std::regex ours("/component/sorvane_[0-9a-z_]+");
        if (!std::regex_search(all.out, m, ours)) return false;
        return desk->run({"dbus-send", "--session", "--print-reply", "--dest=org.kde.kglobalaccel",
                          m.str(), "org.kde.kglobalaccel.Component.invokeShortcut", "string:" + id})
                   .exitCode == 0;
    }

    std::unique_ptr<WaylandDesk> desk;
    Display* d = nullptr;
    Window main = 0;
};

TEST_P(Session, MapsPlacesAndKeepsItsKeys) {
    const Row row = GetParam();
    if (row.portal) {
        ASSERT_TRUE(desk->startPortal()) << desk->log("portal-kde") << desk->log("portal");
    }
    desk->battery(55);
    pid_t gauge = desk->startGauge();
    // Mapped by the program and taken in by the compositor's window manager (WM_STATE); whether
    // it shows is another matter: KWin unmaps a utility window of an application that is not
    // active, so the X map state says nothing here.
    const auto mapped = [&] {
        return (main = form("Main")) && getProperty(d, main, "WM_STATE").has_value();
    };
    ASSERT_TRUE(waitUntil(mapped, 10s))
        << "running " << isRunning(gauge) << " [" << desk->log("sorvane") << "]";
    {
        SCOPED_TRACE("where it maps");
        const Geometry g = waitUntilSettled([&] { return geometry(d, main); });
        EXPECT_EQ(g.width, 128u);
        EXPECT_EQ(g.height, 128u);
        EXPECT_EQ(g.x == 2 && g.y == 33, row.placedAsAsked) << "at " << g.x << "," << g.y;
        EXPECT_EQ(opacity(), opacityOf(200));
    }
    if (row.portal) {
        SCOPED_TRACE("the four keys bound as the program's shortcuts");
        ASSERT_TRUE(waitUntil([&] { return invoke("recall"); }, 10s, 200ms))
            << desk->log("sorvane")
            << desk->run({"dbus-send", "--session", "--print-reply", "--dest=org.kde.kglobalaccel",
                          "/kglobalaccel", "org.kde.KGlobalAccel.allComponents"})
                   .out;
        // F8 gives the gauge its recall opacity, hidden or not; latched through the opening
        // reveal, which holds the timers off.
        EXPECT_TRUE(waitUntil([&] { return opacity() == opacityOf(250); }, 8s))
            << "F8 through the portal did not bring the gauge back";

        SCOPED_TRACE("F5 through the portal: the low-battery beep stops");
        desk->battery(3);
        // The opening reveal (5 s) holds the timers off until it ends.
        ASSERT_TRUE(waitUntil([&] { return tones() >= 5; }, 12s)) << "no beep below 5 %";
        ASSERT_TRUE(invoke("beep"));
        const std::size_t settled = waitUntilSettled([&] { return tones(); }, 1500ms, 8s);
        EXPECT_FALSE(waitUntil([&] { return tones() > settled; }, 3s)) << "F5 did not reach";

        SCOPED_TRACE("F6 and F7: nothing to hide, no box, the program runs on");
        EXPECT_TRUE(invoke("taskbar"));
        EXPECT_TRUE(invoke("desktop-icons"));
        EXPECT_FALSE(waitUntil([&] { return mappedTitled("Sorvane") != 0; }, 500ms));
        EXPECT_TRUE(isRunning(gauge));
        desk->battery(55);

        SCOPED_TRACE("a second run finds its shortcut group again: one group in the settings");
        desk->stopGauge();
        gauge = desk->startGauge();
        ASSERT_TRUE(waitUntil(mapped, 10s)) << desk->log("sorvane");
        ASSERT_TRUE(waitUntil([&] { return invoke("recall"); }, 10s, 200ms));
        const auto groups = [&] {
            std::ifstream in(desk->path("home/.config/kglobalshortcutsrc"));
            std::size_t n = 0;
            for (std::string line; std::getline(in, line);)
                n += line.starts_with("[sorvane_");
            return n;
        };
        // The desktop writes its settings a little after a change.
        EXPECT_EQ(waitUntilSettled(groups, 1500ms, 6s), 1u);
    }
    {
        SCOPED_TRACE("a native window active");
        desk->startNativeWindow();
        const bool stays = waitUntilSettled([&] { return shown(main); }, 700ms, 5s);
        EXPECT_EQ(stays, row.shownBesideNative) << desk->log("foot");
    }
    if (row.portal) {
        SCOPED_TRACE("the portal goes away: no box, the program runs on, nothing said");
        desk->end(desk->portal());
        EXPECT_FALSE(waitUntil([&] { return mappedTitled("Sorvane") != 0; }, 1s));
        EXPECT_TRUE(isRunning(gauge));
        EXPECT_EQ(desk->log("sorvane").find("global shortcuts"), std::string::npos)
            << "all four keys were free: " << desk->log("sorvane");
    }
}

INSTANTIATE_TEST_SUITE_P(Compositors, Session,
                         ::testing::Values(Row{Compositor::Sway, "sway", false, true, false},
                                           Row{Compositor::Mutter, "mutter", true, true, false},
                                           Row{Compositor::Kwin, "kwin", true, true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
