// The X11 window operations against a real X server and window manager (openbox), and picom.
#include <gtest/gtest.h>

#include "platform/linux/x11_windows.h"
#include "platform/linux/x_errors.h"
#include "support/wait.h"
#include "support/x_helpers.h"
#include "support/x_session.h"
#include "x11_test_windows.h"

#include <X11/extensions/shape.h>

#include <memory>

namespace {

using namespace sorvane;
using namespace sorvane::testsupport;
using namespace std::chrono_literals;
using testwindows::make;
using testwindows::Spec;

class X11WindowsTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { session = new XSession({.wm = Wm::Openbox}); }
    static void TearDownTestSuite() {
        delete session;
        session = nullptr;
    }
    void SetUp() override {
        d = session->display();
        x = std::make_unique<linuxos::X11Windows>(session->displayName());
        ASSERT_TRUE(x->connected());
    }
    void TearDown() override {
        x.reset();
        for (Window w : created)
            XDestroyWindow(d, w);
        XSync(d, False);
    }
    Window window(const Spec& s) {
        created.push_back(make(d, s));
        return created.back();
    }
    // A stand-in for the gauge: a window of "the program" registered as its own. The program
    // makes it topmost at start; a click through it then raises the window below no higher.
    Window own(int px, int py, unsigned long rgb, bool topmost = false) {
        const Window w = window({.x = px, .y = py, .width = 128, .height = 128, .rgb = rgb});
        x->addOwnWindow(w);
        if (topmost)
            x->SetWindowPos(w, win::HWND_TOPMOST, 0, 0, 0, 0, win::SWP_NOMOVE | win::SWP_NOSIZE);
        return w;
    }
    void layered(Window w) { x->SetWindowLongA(w, win::GWL_EXSTYLE, win::WS_EX_LAYERED); }
    // Button presses that reached `w` (on the test's connection).
    int pressesOn(Window w) {
        int n = 0;
        XSync(d, False);
        while (XPending(d)) {
            XEvent e;
            XNextEvent(d, &e);
            if (e.type == ButtonPress && e.xbutton.window == w) ++n;
        }
        return n;
    }

    static XSession* session;
    Display* d = nullptr;
    std::unique_ptr<linuxos::X11Windows> x;
    std::vector<Window> created;
};
XSession* X11WindowsTest::session = nullptr;

TEST_F(X11WindowsTest, WithNoPanelOrDesktopEveryShellCallIsSilentlyWithoutEffect) {
    const auto errors = linuxos::ignoredXErrors();
    EXPECT_EQ(x->FindWindowA("Shell_traywnd", ""), 0u);
    EXPECT_EQ(x->FindWindowA("Progman", "Program Manager"), 0u);
    EXPECT_EQ(x->SetWindowPos(0, 0, 0, 0, 0, 0, win::SWP_HIDEWINDOW), 0);
    EXPECT_EQ(x->SetWindowPos(0, 0, 0, 0, 0, 0, win::SWP_SHOWWINDOW), 0);
    EXPECT_EQ(x->ShowWindow(0, win::SW_HIDE), 0);
    EXPECT_EQ(x->ShowWindow(0, win::SW_SHOW), 0);
    EXPECT_EQ(linuxos::ignoredXErrors(), errors);
}

TEST_F(X11WindowsTest, FindsPanelsAndDesktopsByTypeAndSkipsWhatOnlyLooksLikeOne) {
    // The speck: openbox-style helpers and malformed windows must never be taken for a panel.
    window({.x = 0, .y = 0, .width = 1, .height = 1, .type = "DOCK", .overrideRedirect = true});
    window({.x = 0, .y = 700, .width = 300, .height = 20, .type = "DOCK", .wmClass = false});
    window({.x = 400, .y = 700, .width = 300, .height = 20, .type = "NORMAL"});
    EXPECT_EQ(x->FindWindowA("Shell_traywnd", ""), 0u);

    const Window panel = window({.x = 0, .y = 740, .width = 1024, .height = 28, .type = "DOCK"});
    const Window desk = window({.x = 0, .y = 0, .width = 600, .height = 400, .type = "DESKTOP"});
    EXPECT_EQ(x->FindWindowA("Shell_traywnd", ""), panel);
    EXPECT_EQ(x->FindWindowA("SHELL_TRAYWND", ""), panel) << "class names ignore case";
    EXPECT_EQ(x->FindWindowA("Shell_traywnd", "Tint2"), 0u) << "the taskbar's title is empty";
    EXPECT_EQ(x->FindWindowA("Progman", "Program Manager"), desk);
    EXPECT_EQ(x->FindWindowA("Progman", "program manager"), 0u);
    EXPECT_EQ(x->FindWindowA("Notepad", nullptr), 0u);
}

TEST_F(X11WindowsTest, MalformedTypePropertiesOnForeignWindowsAreSkipped) {
    const Atom typeAtom = atom(d, "_NET_WM_WINDOW_TYPE");
    const long dock = static_cast<long>(atom(d, "_NET_WM_WINDOW_TYPE_DOCK"));
    const Window wrongType = window({.x = 0, .y = 700, .width = 100, .height = 20});
    XChangeProperty(d, wrongType, typeAtom, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&dock), 1);
    const Window wrongFormat = window({.x = 100, .y = 700, .width = 100, .height = 20});
    XChangeProperty(d, wrongFormat, typeAtom, XA_ATOM, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>("DOCKDOCK"), 8);
    const Window absurd = window({.x = 200, .y = 700, .width = 100, .height = 20});
    std::vector<long> many(100000, dock);
    XChangeProperty(d, absurd, typeAtom, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(many.data()),
                    static_cast<int>(many.size()));
    XSync(d, False);
    EXPECT_EQ(x->FindWindowA("Shell_traywnd", ""), 0u);
}

TEST_F(X11WindowsTest, APanelThatVanishesBetweenFindingAndActingRaisesNothing) {
    const Window panel = window({.x = 0, .y = 740, .width = 1024, .height = 28, .type = "DOCK"});
    const auto h = x->FindWindowA("Shell_traywnd", "");
    ASSERT_EQ(h, panel);
    XDestroyWindow(d, panel);
    XSync(d, False);
    created.clear();
    EXPECT_EQ(x->SetWindowPos(h, 0, 0, 0, 0, 0, win::SWP_HIDEWINDOW), 0);
    EXPECT_EQ(x->SetWindowPos(h, 0, 0, 0, 0, 0, win::SWP_SHOWWINDOW), 0);
    EXPECT_EQ(x->ShowWindow(h, win::SW_HIDE), 0);
    EXPECT_EQ(x->SetLayeredWindowAttributes(h, 0, 0, win::LWA_ALPHA), 0);
    EXPECT_EQ(x->AnimateWindow(h, 10, win::AW_CENTER), 0);
    EXPECT_EQ(x->FindWindowA("Shell_traywnd", ""), 0u);
}

TEST_F(X11WindowsTest, HidingKeepsStateAndPlaceOnTheWindowAndShowingRestoresThem) {
    // As tint2 sets its own: on every desktop, out of the task lists, below the windows.
    const Window panel = window({.x = 0,
                                 .y = 740,
                                 .width = 1024,
                                 .height = 28,
                                 .type = "DOCK",
                                 .states = {"STICKY", "SKIP_TASKBAR", "SKIP_PAGER", "BELOW"}});
    ASSERT_TRUE(waitUntil([&] { return getAtoms(d, panel, "_NET_WM_STATE").size() >= 3; }))
        << "openbox keeps a dock's own state (it drops STICKY: docks are on every desktop)";
    auto state = getAtoms(d, panel, "_NET_WM_STATE");
    std::sort(state.begin(), state.end());
    const Geometry place = geometry(d, panel);

    for (int cycle = 0; cycle < 10; ++cycle) {
        ASSERT_EQ(x->SetWindowPos(panel, 0, 0, 0, 0, 0, win::SWP_HIDEWINDOW), 1);
        EXPECT_FALSE(isViewable(d, panel));
        EXPECT_EQ(x->FindWindowA("Shell_traywnd", ""), panel) << "found again while hidden";
        EXPECT_EQ(x->SetWindowPos(panel, 0, 0, 0, 0, 0, win::SWP_HIDEWINDOW), 1)
            << "hiding a hidden panel";
        ASSERT_EQ(x->SetWindowPos(panel, 0, 0, 0, 0, 0, win::SWP_SHOWWINDOW), 1);
        ASSERT_TRUE(waitUntil([&] {
            auto now = getAtoms(d, panel, "_NET_WM_STATE");
            std::sort(now.begin(), now.end());
            return isViewable(d, panel) && now == state && geometry(d, panel) == place;
        })) << "cycle "
            << cycle;
    }
    EXPECT_FALSE(getProperty(d, panel, "_SORVANE_SAVED_WM_STATE")) << "nothing left behind";
}

// A desktop program under a compositor may name a 32-bit picture as the root background (as
// xfdesktop does); a compositor cannot paint that as the root, and would keep showing the
// hidden desktop.
TEST_F(X11WindowsTest, AHiddenDesktopLeavesARootBackgroundACompositorCanPaint) {
    const Window root = DefaultRootWindow(d);
    const auto background = [&] {
        const auto p = getProperty(d, root, "_XROOTPMAP_ID");
        return p && p->items.size() == 1 ? p->items[0] : 0ul;
    };
    const auto name = [&](Pixmap p) {
        XChangeProperty(d, root, atom(d, "_XROOTPMAP_ID"), XA_PIXMAP, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&p), 1);
        XSync(d, False);
    };
    const Pixmap deep = XCreatePixmap(d, root, 64, 48, 32);
    const Pixmap plain = XCreatePixmap(d, root, 64, 48, DefaultDepth(d, 0));
    const Pixmap later = XCreatePixmap(d, root, 64, 48, 32);
    const Window desk = window({.x = 0, .y = 0, .width = 600, .height = 400, .type = "DESKTOP"});
    name(deep);

    x->ShowWindow(desk, win::SW_HIDE);
    const unsigned long cover = background();
    ASSERT_NE(cover, 0ul);
    ASSERT_NE(cover, deep);
    Window r = 0;
    int px = 0, py = 0;
    unsigned w = 0, h = 0, border = 0, depth = 0;
    ASSERT_TRUE(XGetGeometry(d, cover, &r, &px, &py, &w, &h, &border, &depth));
    EXPECT_EQ(static_cast<int>(depth), DefaultDepth(d, 0));
    XImage* pixel = XGetImage(d, cover, 0, 0, 1, 1, AllPlanes, ZPixmap);
    ASSERT_TRUE(pixel);
    EXPECT_EQ(XGetPixel(pixel, 0, 0), BlackPixel(d, 0));
    XDestroyImage(pixel);
    x->ShowWindow(desk, win::SW_HIDE);
    EXPECT_EQ(background(), cover) << "hiding a hidden desktop";
    x->ShowWindow(desk, win::SW_SHOW);
    EXPECT_EQ(background(), deep) << "the desktop program's own, back";
    EXPECT_FALSE(getProperty(d, root, "_SORVANE_SAVED_XROOTPMAP_ID")) << "nothing left behind";

    name(plain);
    x->ShowWindow(desk, win::SW_HIDE);
    EXPECT_EQ(background(), plain) << "one of the root's depth is left alone";
    x->ShowWindow(desk, win::SW_SHOW);

    // The desktop program restarted while hidden: the background it names then is kept.
    name(deep);
    x->ShowWindow(desk, win::SW_HIDE);
    name(later);
    x->ShowWindow(desk, win::SW_SHOW);
    EXPECT_EQ(background(), later);
    EXPECT_TRUE(waitUntil([&] { return isViewable(d, desk); }));

    XDeleteProperty(d, root, atom(d, "_XROOTPMAP_ID"));
    for (Pixmap p : {deep, plain, later})
        XFreePixmap(d, p);
    XSync(d, False);
}

TEST_F(X11WindowsTest, ExStyleWordIsKeptPerWindowAndOnlyALayeredWindowTakesAnAlpha) {
    const Window w = own(300, 300, 0xFF0000);
    EXPECT_EQ(x->GetWindowLongA(w, win::GWL_EXSTYLE), 0);
    EXPECT_EQ(x->SetLayeredWindowAttributes(w, 0, 0, win::LWA_ALPHA), 0);
    EXPECT_FALSE(getProperty(d, w, "_NET_WM_WINDOW_OPACITY"));
    EXPECT_EQ(x->SetWindowLongA(w, win::GWL_EXSTYLE, win::WS_EX_LAYERED | 0x8), 0);
    EXPECT_EQ(x->GetWindowLongA(w, win::GWL_EXSTYLE), win::WS_EX_LAYERED | 0x8);
    EXPECT_EQ(x->SetLayeredWindowAttributes(w, 0, 200, win::LWA_ALPHA), 1);
    EXPECT_EQ(getCardinal(d, w, "_NET_WM_WINDOW_OPACITY"), 200ul * 0x01010101ul);
    x->SetLayeredWindowAttributes(w, 0, 255, win::LWA_ALPHA);
    EXPECT_FALSE(getProperty(d, w, "_NET_WM_WINDOW_OPACITY")) << "opaque: no property";
    EXPECT_EQ(x->GetWindowLongA(w + 1, win::GWL_EXSTYLE), 0) << "per window";
}

TEST_F(X11WindowsTest, WithoutACompositorAlphaZeroIsInvisibleInPlaceAndClickThrough) {
    const Window back = window({.x = 200, .y = 200, .width = 400, .height = 300, .rgb = 0x2040C0});
    XSelectInput(d, back, ButtonPressMask);
    const Window gauge = own(300, 300, 0xE0A020, true);
    XSelectInput(d, gauge, ButtonPressMask);
    layered(gauge);
    ASSERT_FALSE(x->compositorRunning());
    const Geometry place = geometry(d, gauge);
    EXPECT_EQ(pixel(d, 364, 364), (Rgb{0xE0, 0xA0, 0x20}));

    const auto stacking = [&] {
        const auto p = getProperty(d, DefaultRootWindow(d), "_NET_CLIENT_LIST_STACKING");
        return p ? p->items : std::vector<unsigned long>{};
    };
    const auto order = stacking();
    x->SetLayeredWindowAttributes(gauge, 0, 0, win::LWA_ALPHA);
    ASSERT_TRUE(waitUntil([&] { return pixel(d, 364, 364) == Rgb{0x20, 0x40, 0xC0}; }));
    EXPECT_TRUE(isViewable(d, gauge)) << "still there";
    EXPECT_EQ(geometry(d, gauge), place);
    EXPECT_EQ(stacking(), order) << "same stacking";
    pressesOn(back);
    click(d, 364, 364);
    EXPECT_TRUE(waitUntil([&] { return pressesOn(back) > 0; })) << "the click passed through";

    x->SetLayeredWindowAttributes(gauge, 0, 250, win::LWA_ALPHA);
    EXPECT_TRUE(waitUntil([&] {
        return pixel(d, 364, 364) == Rgb{0xE0, 0xA0, 0x20};
    })) << "without a compositor any other alpha shows it whole";
    pressesOn(gauge);
    click(d, 364, 364);
    EXPECT_TRUE(waitUntil([&] { return pressesOn(gauge) > 0; })) << "clickable again";
}

TEST_F(X11WindowsTest, WithPicomAlphaBlendsExactlyAndZeroSurvivesTheCompositorComingAndGoing) {
    const Window back = window({.x = 200, .y = 200, .width = 400, .height = 300, .rgb = 0x2040C0});
    XSelectInput(d, back, ButtonPressMask);
    const Window gauge = own(300, 300, 0xE0A020, true);
    layered(gauge);
    session->startPicom();
    x->processEvents();
    ASSERT_TRUE(waitUntil([&] {
        x->processEvents();
        return x->compositorRunning();
    }));

    x->SetLayeredWindowAttributes(gauge, 0, 200, win::LWA_ALPHA);
    const auto blend = [](int fg, int bg) { return (fg * 200 + bg * 55 + 127) / 255; };
    const Rgb expected{static_cast<std::uint8_t>(blend(0xE0, 0x20)),
                       static_cast<std::uint8_t>(blend(0xA0, 0x40)),
                       static_cast<std::uint8_t>(blend(0x20, 0xC0))};
    const auto near = [](Rgb a, Rgb b) {
        return std::abs(a.r - b.r) <= 1 && std::abs(a.g - b.g) <= 1 && std::abs(a.b - b.b) <= 1;
    };
    EXPECT_TRUE(waitUntil([&] { return near(pixel(d, 364, 364), expected); }))
        << describe(pixel(d, 364, 364)) << " instead of " << describe(expected);

    x->SetLayeredWindowAttributes(gauge, 0, 0, win::LWA_ALPHA);
    const Rgb background{0x20, 0x40, 0xC0};
    EXPECT_TRUE(waitUntil([&] { return pixel(d, 364, 364) == background; }));
    pressesOn(back);
    click(d, 364, 364);
    EXPECT_TRUE(waitUntil([&] { return pressesOn(back) > 0; })) << "the click passed through";

    session->stopPicom();
    ASSERT_TRUE(waitUntil([&] {
        x->processEvents();
        return !x->compositorRunning();
    }));
    EXPECT_EQ(pixel(d, 364, 364), background) << "the compositor left: still invisible";
    session->startPicom();
    ASSERT_TRUE(waitUntil([&] {
        x->processEvents();
        return x->compositorRunning();
    }));
    EXPECT_TRUE(waitUntil([&] { return pixel(d, 364, 364) == background; }, 1000ms));
    EXPECT_EQ(pixel(d, 364, 364), background) << "the compositor came back: still invisible";

    x->SetLayeredWindowAttributes(gauge, 0, 250, win::LWA_ALPHA);
    EXPECT_TRUE(waitUntil([&] { return pixel(d, 364, 364) != background; }));
    session->stopPicom();
}

TEST_F(X11WindowsTest, ATopmostGaugeStaysAboveAWindowRaisedLaterAlsoAfterHideAndShow) {
    const Window gauge = own(300, 300, 0xE0A020);
    ASSERT_EQ(
        x->SetWindowPos(gauge, win::HWND_TOPMOST, 0, 0, 0, 0, win::SWP_NOMOVE | win::SWP_NOSIZE),
        1);
    EXPECT_TRUE(
        waitUntil([&] { return hasAtom(d, gauge, "_NET_WM_STATE", "_NET_WM_STATE_ABOVE"); }));
    const Rgb gaugeColour{0xE0, 0xA0, 0x20};
    const Window later = window({.x = 250, .y = 250, .width = 300, .height = 300, .rgb = 0x30A030});
    XRaiseWindow(d, later);
    XSetInputFocus(d, later, RevertToPointerRoot, CurrentTime);
    XSync(d, False);
    EXPECT_TRUE(waitUntil([&] { return pixel(d, 364, 364) == gaugeColour; }));
    EXPECT_EQ(pixel(d, 260, 260), (Rgb{0x30, 0xA0, 0x30}));

    // The runtime hides and shows the gauge: the window manager drops ABOVE on unmap.
    XUnmapWindow(d, gauge);
    XSync(d, False);
    ASSERT_TRUE(waitUntil([&] { return !isViewable(d, gauge); }));
    XMapWindow(d, gauge);
    XSync(d, False);
    ASSERT_TRUE(waitUntil([&] {
        x->processEvents();
        return isViewable(d, gauge) && hasAtom(d, gauge, "_NET_WM_STATE", "_NET_WM_STATE_ABOVE");
    }));
    XRaiseWindow(d, later);
    XSync(d, False);
    EXPECT_TRUE(waitUntil([&] { return pixel(d, 364, 364) == gaugeColour; }))
        << "still above after a hide and show";
}

TEST_F(X11WindowsTest, SkipTaskbarAndPagerAreSetBeforeTheFirstShowAndKept) {
    const Window w = window({.x = 300, .y = 300, .width = 128, .height = 128, .map = false});
    x->addOwnWindow(w);
    x->setSkipTaskbar(w);
    EXPECT_TRUE(hasAtom(d, w, "_NET_WM_STATE", "_NET_WM_STATE_SKIP_TASKBAR"));
    XMapWindow(d, w);
    XSync(d, False);
    EXPECT_TRUE(waitUntil([&] {
        return isViewable(d, w) && hasAtom(d, w, "_NET_WM_STATE", "_NET_WM_STATE_SKIP_TASKBAR") &&
               hasAtom(d, w, "_NET_WM_STATE", "_NET_WM_STATE_SKIP_PAGER");
    }));
}

TEST_F(X11WindowsTest, AnimateWindowGrowsACentredShapeOverItsTimeThenShowsItWhole) {
    const Window gauge = own(300, 300, 0xE0A020);
    std::vector<std::pair<int, int>> sizes;
    bool centred = true;
    x->animationStep = [&] {
        int count = 0, ordering = 0;
        XRectangle* r = XShapeGetRectangles(d, gauge, ShapeBounding, &count, &ordering);
        if (r && count == 1) {
            sizes.push_back({r[0].width, r[0].height});
            centred = centred && std::abs(r[0].x * 2 + r[0].width - 128) <= 1 &&
                      std::abs(r[0].y * 2 + r[0].height - 128) <= 1;
        }
        if (r) XFree(r);
    };
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(x->AnimateWindow(gauge, 300, win::AW_CENTER), 1);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 300ms);
    ASSERT_GE(sizes.size(), 5u);
    EXPECT_TRUE(centred);
    EXPECT_LT(sizes.front().first, 40) << "starts small";
    EXPECT_TRUE(std::is_sorted(sizes.begin(), sizes.end())) << "grows";
    EXPECT_EQ(sizes.back(), (std::pair{128, 128})) << "ends whole";
    EXPECT_EQ(geometry(d, gauge).x, 300) << "in its final place throughout";
}

TEST_F(X11WindowsTest, CaptionDragMovesTheWindowOnlyWhileButtonOneIsDown) {
    const Window gauge = own(300, 300, 0xE0A020);
    const Geometry before = geometry(d, gauge);
    // No button down: nothing may start, or the window would follow the pointer.
    moveMouse(d, 364, 364);
    x->ReleaseCapture();
    x->SendMessageA(gauge, win::WM_NCLBUTTONDOWN, win::HTCAPTION, 0);
    moveMouse(d, 500, 500);
    moveMouse(d, 520, 520);
    EXPECT_FALSE(waitUntil([&] { return geometry(d, gauge) != before; }, 300ms));

    moveMouse(d, 364, 364);
    buttonDown(d, 1);
    x->ReleaseCapture();
    x->SendMessageA(gauge, win::WM_NCLBUTTONDOWN, win::HTCAPTION, 0);
    for (int i = 1; i <= 10; ++i)
        moveMouse(d, 364 + 10 * i, 364 + 5 * i);
    // The window manager starts the move when it reads the request and follows the pointer
    // from where the drag began: keep the pointer stirring at the end until the window is there.
    bool jiggle = false;
    EXPECT_TRUE(waitUntil([&] {
        jiggle = !jiggle;
        moveMouse(d, 464 + (jiggle ? 1 : 0), 414);
        moveMouse(d, 464, 414);
        const Geometry g = geometry(d, gauge);
        return g.x == before.x + 100 && g.y == before.y + 50;
    })) << geometry(d, gauge).x
        << "," << geometry(d, gauge).y;
    buttonUp(d, 1);
    moveMouse(d, 600, 600);
    EXPECT_FALSE(waitUntil([&] { return geometry(d, gauge).x != before.x + 100; }, 200ms))
        << "the move ended with the button";
}

} // namespace
