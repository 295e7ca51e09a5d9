// The taskbar and desktop-icon stand-ins against real panels and desktops: openbox + tint2 +
// pcmanfm --desktop, and xfwm4 + xfce4-panel + xfdesktop.
#include <gtest/gtest.h>

#include "platform/linux/x11_windows.h"
#include "support/wait.h"
#include "support/x_helpers.h"
#include "support/x_session.h"

#include <X11/Xlib.h>

#include <algorithm>
#include <memory>

namespace {

using namespace sorvane;
using namespace sorvane::testsupport;
using namespace std::chrono_literals;

struct Desktop {
    const char* name;
    XSessionOptions options;
};

struct Snapshot {
    Window window;
    Geometry place;
    std::vector<Atom> state;
    bool operator==(const Snapshot&) const = default;
};

std::vector<Snapshot> snapshot(Display* d, const std::string& type) {
    std::vector<Snapshot> out;
    for (Window w : findWindowsByType(d, type)) {
        if (!isViewable(d, w) || wmClass(d, w).empty()) continue;
        auto state = getAtoms(d, w, "_NET_WM_STATE");
        std::sort(state.begin(), state.end());
        out.push_back({w, geometry(d, w), state});
    }
    std::sort(out.begin(), out.end(), [](auto& a, auto& b) { return a.window < b.window; });
    return out;
}

std::string describe(Display* d, const std::vector<Snapshot>& windows) {
    std::string out;
    for (const Snapshot& s : windows) {
        out += " [" + std::to_string(s.window) + " " + std::to_string(s.place.x) + "," +
               std::to_string(s.place.y) + " " + std::to_string(s.place.width) + "x" +
               std::to_string(s.place.height);
        for (Atom a : s.state) {
            char* name = XGetAtomName(d, a);
            out += std::string(" ") + (name ? name + 14 : "?"); // without _NET_WM_STATE_
            if (name) XFree(name);
        }
        out += "]";
    }
    return out;
}

bool noneViewable(Display* d, const std::vector<Snapshot>& windows) {
    return std::none_of(windows.begin(), windows.end(),
                        [&](const Snapshot& s) { return isViewable(d, s.window); });
}

class ShellWindows : public ::testing::TestWithParam<Desktop> {
  protected:
    void SetUp() override {
        session = std::make_unique<XSession>(GetParam().options);
        d = session->display();
        x = std::make_unique<linuxos::X11Windows>(session->displayName());
        // xfce4-panel maps its second panel and grows it while its plugins load.
        panels = waitUntilSettled([&] { return snapshot(d, "DOCK"); });
        desktops = waitUntilSettled([&] { return snapshot(d, "DESKTOP"); });
    }
    void TearDown() override {
        x.reset();
        session.reset();
    }
    // Waits until the windows of `type` are back exactly as they were.
    ::testing::AssertionResult restored(const std::string& type,
                                        const std::vector<Snapshot>& before) {
        if (waitUntil([&] { return snapshot(d, type) == before; }))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure()
               << "before:" << describe(d, before) << "\nnow:   " << describe(d, snapshot(d, type));
    }
    std::unique_ptr<XSession> session;
    Display* d = nullptr;
    std::unique_ptr<linuxos::X11Windows> x;
    std::vector<Snapshot> panels, desktops;
};

TEST_P(ShellWindows, TaskbarHidesInPlaceIsFoundWhileHiddenAndComesBackAsItWas) {
    ASSERT_FALSE(panels.empty());
    const win::HWND taskbar = x->FindWindowA("Shell_traywnd", "");
    ASSERT_EQ(taskbar, panels.front().window);

    EXPECT_EQ(x->SetWindowPos(taskbar, 0, 0, 0, 0, 0, win::SWP_HIDEWINDOW), 1);
    EXPECT_TRUE(waitUntil([&] { return noneViewable(d, panels); }));
    EXPECT_EQ(x->FindWindowA("Shell_traywnd", ""), taskbar) << "found again while hidden";
    EXPECT_EQ(x->SetWindowPos(taskbar, 0, 0, 0, 0, 0, win::SWP_SHOWWINDOW), 1);
    EXPECT_TRUE(restored("DOCK", panels)) << "same window, place, size and state";
}

TEST_P(ShellWindows, DesktopIconsHideAndComeBackAsTheyWere) {
    ASSERT_FALSE(desktops.empty());
    const win::HWND desktop = x->FindWindowA("Progman", "Program Manager");
    ASSERT_EQ(desktop, desktops.front().window);

    x->ShowWindow(desktop, win::SW_HIDE);
    EXPECT_TRUE(waitUntil([&] { return noneViewable(d, desktops); }));
    EXPECT_EQ(x->FindWindowA("Progman", "Program Manager"), desktop);
    x->ShowWindow(desktop, win::SW_HIDE);
    x->ShowWindow(desktop, win::SW_SHOW);
    EXPECT_TRUE(restored("DESKTOP", desktops));
}

TEST_P(ShellWindows, TenQuickHideThenShowCyclesKeepEverything) {
    for (int i = 0; i < 10; ++i) {
        // As one tick does: found afresh, hidden, found afresh, shown.
        x->SetWindowPos(x->FindWindowA("Shell_traywnd", ""), 0, 0, 0, 0, 0, win::SWP_HIDEWINDOW);
        x->ShowWindow(x->FindWindowA("Progman", "Program Manager"), win::SW_HIDE);
        x->ShowWindow(x->FindWindowA("Progman", "Program Manager"), win::SW_SHOW);
        x->SetWindowPos(x->FindWindowA("Shell_traywnd", ""), 0, 0, 0, 0, 0, win::SWP_SHOWWINDOW);
    }
    EXPECT_TRUE(restored("DOCK", panels));
    EXPECT_TRUE(restored("DESKTOP", desktops));
}

INSTANTIATE_TEST_SUITE_P(
    RealDesktops, ShellWindows,
    ::testing::Values(Desktop{"openbox_tint2_pcmanfm",
                              {.wm = Wm::Openbox, .tint2 = true, .pcmanfmDesktop = true}},
                      Desktop{"xfwm4_xfce4panel_xfdesktop",
                              {.wm = Wm::Xfwm4, .xfcePanel = true, .xfdesktop = true}}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
