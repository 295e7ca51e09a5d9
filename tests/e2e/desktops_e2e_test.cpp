// One user's session with the real `sorvane` on each desktop it is meant for, every effect
// checked on the screen's pixels: it starts over a focused normal window and stays above it,
// shows the fixture's level, opens its menu, hides and shows the taskbar and the desktop icons
// with F6 and F7 while the other window keeps the focus (also across a window manager restart),
// hides itself and comes back with F8, and moves by a drag.
#include <gtest/gtest.h>

#include "e2e/gauge_desk.h"

#include <X11/keysym.h>

namespace {

using namespace sorvane::e2e;
using namespace std::chrono_literals;

struct Desktop {
    const char* name;
    XSessionOptions options;
    bool compositor;
    // icewm follows the press-drag's move only now and then under test; left out there.
    bool drags = true;
    // Where the taskbar shows: along the bottom edge, or the two panels of Xfce's default layout
    // (a full-width top bar and a launcher dock in the middle of the bottom edge).
    std::vector<Geometry> taskbar = {{0, 742, 1024, 26}};
};

void PrintTo(const Desktop& d, std::ostream* os) {
    *os << d.name;
}

// The gauge is drawn over a black window: a compositor's alpha only darkens it, so dividing by
// the alpha gives back the pictures' own colours (to a rounding).
Image unblended(Image shot, int alpha) {
    for (auto& v : shot.rgb)
        v = static_cast<std::uint8_t>(std::min(255, (v * 255 + alpha / 2) / alpha));
    return shot;
}

// Pixels that differ between two shots of the same place. A compositor's blending may round a
// translucent window one way in one frame and the other way in the next: one step is no change.
long changed(const Image& a, const Image& b) {
    long n = 0;
    const auto apart = [&](std::size_t i) { return std::abs(a.rgb[i] - b.rgb[i]) > 1; };
    for (std::size_t i = 0; i + 2 < a.rgb.size() && i + 2 < b.rgb.size(); i += 3)
        n += apart(i) || apart(i + 1) || apart(i + 2);
    return n;
}

// pcmanfm's desktop in a colour no panel or window here uses: its going away shows.
const char* const blue = "#3a6ea5";

Image crop(const Image& shot, const Geometry& g) {
    Image out;
    out.width = static_cast<int>(g.width);
    out.height = static_cast<int>(g.height);
    for (int y = g.y; y < g.y + out.height; ++y)
        for (int x = g.x; x < g.x + out.width; ++x) {
            const Rgb p = shot.at(x, y);
            out.rgb.insert(out.rgb.end(), {p.r, p.g, p.b});
        }
    return out;
}

class Desktops : public ::testing::TestWithParam<Desktop> {};

TEST_P(Desktops, AUsersSessionLooksRight) {
    if (!powerNamespaceAvailable()) GTEST_SKIP() << "no private mount namespace here";
    const Desktop& desktop = GetParam();
    GaugeDesk desk(desktop.options);
    Display* d = desk.d();
    const Window root = DefaultRootWindow(d);
    const auto screen = [&] { return grab(d); };

    // A black normal window under the gauge's place, focused: the gauge must come up above it.
    // Undecorated: a title bar under the gauge would tint what the compositor blends (xfwm4 keeps
    // windows below its top panel, so the bar would lie under the gauge's upper rows).
    const Window other = createWindow(d, 0, 0, 400, 300, 0x000000, "other", false);
    click(d, 300, 200);
    // A taskbar shows the window manager's active window: its shots compare alike only with the
    // same one active. Clicked until it is (a window manager just started may miss a click).
    const auto focusOther = [&] {
        return waitUntil(
            [&] {
                const auto active = getProperty(d, root, "_NET_ACTIVE_WINDOW");
                if (active && !active->items.empty() && active->items[0] == other) return true;
                click(d, 300, 250);
                return false;
            },
            5s, 250ms);
    };
    desk.power().onBattery(55, 90);
    desk.start();
    Window main = 0;
    ASSERT_TRUE(waitUntil([&] { return (main = desk.form("Main")) && isViewable(d, main); }, 20s))
        << desk.log();
    // Where it settles: a window manager may show it for a moment before its frame is placed.
    const Geometry start = waitUntilSettled([&] { return geometry(d, main); });
    EXPECT_EQ(start.x, gaugeX);
    EXPECT_EQ(start.y, gaugeY);

    const int alpha = desktop.compositor ? 200 : 255;
    const auto level = [&](const Image& g) { return shownLevel(unblended(g, alpha), 4); };
    const auto gaugeShot = [&] {
        const Geometry g = geometry(d, main);
        return grab(d, root, g.x, g.y, 128, 128);
    };
    ASSERT_TRUE(waitUntil([&] { return level(gaugeShot()) == 6; }, 15s, 50ms))
        << "six bars for 55 %, over the focused window";
    gaugeShot().writePpm(desk.session().path("gauge.ppm"));
    if (desktop.compositor) {
        const Rgb drawn = gaugeShot().at(100, 60),
                  own = artPixel(sorvane::forms::PictureId::Level6, 15, 60);
        EXPECT_LT(drawn.r + drawn.g + drawn.b, own.r + own.g + own.b) << "not blended";
    }

    {
        SCOPED_TRACE("the menu");
        // A compositor may show the level before the minutes: the gauge drawn in full first.
        waitUntilSettled([&] { return gaugeShot().rgb; });
        const Image bare = screen();
        const Geometry g = geometry(d, main);
        click(d, g.x + 8, g.y + 121);
        std::vector<Window> menus;
        ASSERT_TRUE(waitUntil([&] { return !(menus = popups(desk)).empty(); }, 3s)) << "no menu";
        // Its own pixels: the focus moving between windows meanwhile repaints title bars.
        const Geometry m = geometry(d, menus.front());
        const auto there = [&] { return grab(d, root, m.x, m.y, m.width, m.height); };
        const Image under = crop(bare, m);
        const long area = static_cast<long>(m.width) * m.height;
        EXPECT_TRUE(waitUntil([&] { return changed(under, there()) > area / 2; }, 3s))
            << "the menu is not seen";
        tapKey(d, XK_Escape);
        EXPECT_TRUE(waitUntil([&] { return changed(under, there()) < area / 50; }, 3s))
            << "the menu stays on screen";
        EXPECT_TRUE(focusOther()) << "the other window did not take the focus back";
    }
    {
        SCOPED_TRACE("F6: the taskbar");
        const auto workArea = [&] {
            const auto p = getProperty(d, root, "_NET_WORKAREA");
            return p ? p->items : std::vector<unsigned long>{};
        };
        const std::vector<unsigned long> area = workArea();
        const auto strips = [&] {
            std::vector<Image> shots;
            for (const Geometry& g : desktop.taskbar)
                shots.push_back(grab(d, root, g.x, g.y, g.width, g.height));
            return shots;
        };
        // Whether every strip has changed by more than `share` of its pixels (or, `more` false,
        // by less).
        const auto changedBy = [&](const std::vector<Image>& before, double share, bool more) {
            const auto now = strips();
            for (std::size_t i = 0; i < now.size(); ++i)
                if ((changed(before[i], now[i]) > share * now[i].width * now[i].height) != more)
                    return false;
            return true;
        };
        // A bar repaints its buttons a moment after the focus moves (icewm's meters never rest).
        const auto bars = waitUntilSettled(strips, 300ms, 2s);
        tapKey(d, XK_F6);
        EXPECT_TRUE(waitUntil([&] { return changedBy(bars, 0.5, true); }, 3s)) << "not hidden";
        // A window manager restarted meanwhile: what runs then is shown again.
        desk.session().restartWm();
        tapKey(d, XK_F6);
        // Back as it was, but for the clock and load meters a bar may show. A new window manager
        // starts with no window active (and may leave the old one's word for it a while): the
        // other window is clicked now and then until its button shows it active again.
        int polls = 0;
        EXPECT_TRUE(waitUntil(
            [&] {
                if (changedBy(bars, 0.05, false)) return true;
                if (++polls % 25 == 0) click(d, 300, 250);
                return false;
            },
            15s))
            << "not back";
        EXPECT_TRUE(waitUntil([&] { return workArea() == area; }, 3s)) << "work area changed";
        EXPECT_TRUE(desk.running());
    }
    {
        SCOPED_TRACE("F7: the desktop icons");
        click(d, 300, 250);
        // Bare desktop, away from the windows and the panels.
        const auto open = [&] { return grab(d, root, 420, 40, 600, 660); };
        const Image shown = open();
        tapKey(d, XK_F7);
        EXPECT_TRUE(waitUntil([&] { return changed(shown, open()) > 600 * 660 / 2; }, 3s))
            << "the desktop stays";
        // A window manager (here also the compositor) restarted meanwhile paints it hidden too.
        const Image hidden = open();
        desk.session().restartWm();
        EXPECT_TRUE(waitUntil([&] { return changed(hidden, open()) == 0; }, 5s))
            << "not hidden after the restart";
        tapKey(d, XK_F7);
        EXPECT_TRUE(waitUntil([&] { return changed(shown, open()) == 0; }, 5s)) << "not back";
    }
    {
        SCOPED_TRACE("hidden by F8's window, back with F8");
        ASSERT_TRUE(choose(desk, main, 4, 3)); // 3 barre
        ASSERT_TRUE(answer(desk, "Touche Rappel"));
        click(d, 300, 250);
        EXPECT_TRUE(
            waitUntil([&] { return !level(gaugeShot()) && !shownLevel(gaugeShot(), 8); }, 3s))
            << "the gauge is still seen";
        tapKey(d, XK_F8);
        EXPECT_TRUE(waitUntil([&] { return shownLevel(gaugeShot(), 8) == 6; }, 3s)) << "not back";
    }
    if (desktop.drags) {
        SCOPED_TRACE("a drag moves it");
        const Geometry from = geometry(d, main);
        int px = from.x + 100, py = from.y + 60;
        moveMouse(d, px, py);
        buttonDown(d);
        bool follows = false;
        for (int i = 0; i < 30 && !follows; ++i) {
            moveMouse(d, ++px, py);
            follows = waitUntil([&] { return !(geometry(d, main) == from); }, 150ms);
        }
        for (int i = 1; i <= 10; ++i) {
            moveMouse(d, px + 20 * i, py + 15 * i);
            waitUntil([&] { return geometry(d, main).x >= from.x + 20 * i; }, 300ms);
        }
        buttonUp(d);
        EXPECT_TRUE(follows) << "the press-drag did not start a move";
        EXPECT_TRUE(waitUntil([&] { return geometry(d, main).x > from.x + 150; }, 2s));
        EXPECT_TRUE(waitUntil([&] { return shownLevel(gaugeShot(), 8) == 6; }, 3s))
            << "not drawn at its new place";
    }
    XDestroyWindow(d, other);
    XSync(d, False);
    EXPECT_TRUE(desk.running()) << desk.log();
}

INSTANTIATE_TEST_SUITE_P(
    OnEach, Desktops,
    ::testing::Values(
        Desktop{"openbox_tint2_pcmanfm_picom",
                {.wm = Wm::Openbox,
                 .tint2 = true,
                 .pcmanfmDesktop = true,
                 .picom = true,
                 .desktopColour = blue},
                true},
        Desktop{"icewm_pcmanfm",
                {.wm = Wm::Icewm, .pcmanfmDesktop = true, .desktopColour = blue},
                false,
                /*drags*/ false},
        Desktop{"xfce_xfwm4_compositing",
                {.wm = Wm::Xfwm4Compositing, .xfcePanel = true, .xfdesktop = true},
                true,
                true,
                {{0, 0, 1024, 27}, {400, 730, 224, 38}}},
        Desktop{"kwin_tint2_pcmanfm",
                {.wm = Wm::Kwin, .tint2 = true, .pcmanfmDesktop = true, .desktopColour = blue},
                true}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
