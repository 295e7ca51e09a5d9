// The composed services reach each real part, and the power probe reads the system's own
// /sys/class/power_supply the way the gauge does (a fixture bound over it).
#include <gtest/gtest.h>

#include "platform/linux/linux_os.h"
#include "platform/linux/x11_instance.h"
#include "support/process.h"
#include "support/wait.h"
#include "support/x_helpers.h"
#include "support/x_session.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <atomic>
#include <memory>
#include <thread>

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

// Pumps an owner's requests on a thread of its own while later starts wait for its answer.
struct Answering {
    explicit Answering(linuxos::X11Instance& owner)
        : thread([this, &owner] {
              owner.onRecall = [this] { ++recalls; };
              while (!stop) {
                  owner.pump();
                  std::this_thread::sleep_for(std::chrono::milliseconds(5));
              }
          }) {}
    ~Answering() {
        stop = true;
        thread.join();
    }
    std::atomic<int> recalls{0};
    std::atomic<bool> stop{false};
    std::thread thread;
};

// One gauge per screen: the first claim owns the selection, a later one asks the owner to come
// back; claims at the same instant leave one owner; an owner gone leaves no stale claim, and one
// that hangs is left alone.
TEST(X11Instance, OneOwnerPerScreenThatLaterStartsRecall) {
    using Claim = linuxos::X11Instance::Claim;
    XSession session;
    const std::string name = session.displayName();
    auto first = std::make_unique<linuxos::X11Instance>(name);
    ASSERT_EQ(first->claim(), Claim::Ours);
    {
        Answering answering(*first);
        linuxos::X11Instance second(name), third(name);
        EXPECT_EQ(second.claim(), Claim::Recalled);
        EXPECT_EQ(third.claim(), Claim::Recalled);
        EXPECT_TRUE(waitUntil([&] { return answering.recalls == 2; })) << answering.recalls;
    }
    {
        linuxos::X11Instance asksAHungOwner(name);
        EXPECT_EQ(asksAHungOwner.claim(), Claim::Unanswered) << "nobody pumps the owner now";
    }

    // The owner's connection ends as a crash would end it: the next start is the gauge.
    first.reset();
    {
        linuxos::X11Instance next(name);
        EXPECT_EQ(next.claim(), Claim::Ours) << "a stale owner stopped a new start";
    }

    // Eight starts at once, each on its own connection: exactly one owns, the rest recall it.
    std::vector<std::unique_ptr<linuxos::X11Instance>> racers;
    for (int i = 0; i < 8; ++i)
        racers.push_back(std::make_unique<linuxos::X11Instance>(name));
    std::atomic<int> ours{0}, recalled{0}, finished{0};
    std::atomic<bool> go{false};
    std::vector<std::thread> threads;
    for (auto& r : racers)
        threads.emplace_back([&, instance = r.get()] {
            while (!go)
                std::this_thread::yield();
            const Claim c = instance->claim();
            ++finished;
            if (c == Claim::Recalled) ++recalled;
            if (c != Claim::Ours) return;
            ++ours;
            while (finished < 8) { // the owner answers the others
                instance->pump();
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        });
    go = true;
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(ours, 1);
    EXPECT_EQ(recalled, 7);

    linuxos::X11Instance none(":259");
    EXPECT_EQ(none.claim(), Claim::Failed) << "no display";
    EXPECT_EQ(none.connectionFd(), -1);
}

} // namespace
