// The composed services reach each real part, and the power probe reads the system's own
// /sys/class/power_supply the way the gauge does (a fixture bound over it).
#include <gtest/gtest.h>

#include "platform/linux/linux_os.h"
#include "support/process.h"
#include "support/x_helpers.h"
#include "support/x_session.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace {

using namespace sorvane;
using namespace sorvane::testsupport;

const std::string kFixtures = SORVANE_FIXTURES "/power_supply/";

TEST(LinuxOs, EachCallReachesItsRealService) {
    XSession session;
    linuxos::LinuxOs os(session.displayName(), kFixtures + "charge_discharging");
    win::OsServices& s = os.services();
    win::SYSTEM_POWER_STATUS status;
    s.GetSystemPowerStatus(status);
    EXPECT_EQ(status.BatteryLifePercent, 30);
    tapKey(session.display(), XK_F8);
    EXPECT_EQ(s.GetAsyncKeyState(win::VK_F8), 1);
    EXPECT_EQ(s.FindWindowA("Shell_traywnd", ""), 0u) << "a bare X server has no panel";
    EXPECT_TRUE(os.windows().connected());
}

TEST(LinuxOs, WithoutADisplayItStillReadsThePower) {
    linuxos::LinuxOs os(":9999", kFixtures + "overfull");
    win::SYSTEM_POWER_STATUS status;
    os.services().GetSystemPowerStatus(status);
    EXPECT_EQ(status.BatteryLifePercent, 100);
    EXPECT_EQ(os.services().GetAsyncKeyState(win::VK_F5), 0);
    EXPECT_EQ(os.services().FindWindowA("Progman", "Program Manager"), 0u);
    EXPECT_EQ(os.services().SetWindowPos(1, 0, 0, 0, 0, 0, win::SWP_HIDEWINDOW), 0);
}

TEST(SorvanePowerInNamespace, ReadsTheSystemsSuppliesThroughTheirSymlinks) {
    if (!powerNamespaceAvailable()) GTEST_SKIP() << "no private mount namespace here";
    const auto r =
        run(inPowerNamespace(kFixtures + "thinkpad_two_batteries_one_idle", {SORVANE_POWER_TOOL}));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "ACLineStatus=0\nBatteryFlag=0\nBatteryLifePercent=63\n"
                     "BatteryLifeTime=15840\nBatteryFullLifeTime=-1\n");
}

} // namespace
