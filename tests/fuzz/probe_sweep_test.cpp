// Every ACLineStatus, every percentage, and lifetimes at and around every boundary of the
// minutes computation and of the 16-bit range.
#include "battery/etat_batterie.h"
#include "fuzz/probe_invariants.h"
#include "platform/headless/headless_os.h"
#include "platform/headless/headless_runtime.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace {

using namespace sorvane;

struct SweepPower final : win::PowerStatus {
    win::SYSTEM_POWER_STATUS next{};
    win::BOOL GetSystemPowerStatus(win::SYSTEM_POWER_STATUS& s) override {
        s = next;
        return 1;
    }
};

std::vector<win::LONG> boundaryLifetimes() {
    std::vector<win::LONG> out;
    // Around each half minute (rounding) and each whole minute, near zero and near 16 bits.
    for (long long centre : {0LL, 30LL, 60LL, 90LL, 150LL, 5400LL, 1966020LL, 1966050LL, 1966080LL,
                             -30LL, -1966050LL, -1966080LL})
        for (long long d = -2; d <= 2; ++d)
            out.push_back(static_cast<win::LONG>(centre + d));
    for (long long v : {static_cast<long long>(INT_MAX), static_cast<long long>(INT_MIN),
                        INT_MAX - 1LL, INT_MIN + 1LL, -1LL})
        out.push_back(static_cast<win::LONG>(v));
    return out;
}

TEST(ProbeSweep, EveryRecordGivesAStateInItsRanges) {
    headless::HeadlessRuntime rt;
    headless::HeadlessOs os{[&] { return rt.now(); }, [&](headless::Millis d) { rt.busy(d); }};
    rt.setOs(os);
    SweepPower power;
    win::OsServices services(power, os, os, os);
    Program p(services, rt);
    const auto lifetimes = boundaryLifetimes();
    long checked = 0;
    for (int ac = 0; ac < 256; ++ac)
        for (int percent = 0; percent < 256; ++percent)
            for (win::LONG life : lifetimes) {
                power.next.ACLineStatus = static_cast<win::BYTE>(ac);
                power.next.BatteryLifePercent = static_cast<win::BYTE>(percent);
                power.next.BatteryLifeTime = life;
                battery::EtatBatterie(p);
                const auto why = fuzz::probeViolation(p, power.next);
                ASSERT_TRUE(why.empty())
                    << why << " for AC " << ac << ", " << percent << " %, " << life << " s";
                ++checked;
            }
    EXPECT_EQ(checked, 256L * 256L * static_cast<long>(lifetimes.size()));
}

TEST(ProbeSweep, CaptionCheckerRejectsWhatTheLabelMayNeverShow) {
    for (const char* bad : {"0 min", "007 min", "min", " min", "12min", "40000 min", "1.5 min",
                            "-0 min", "....", "12 min "})
        EXPECT_FALSE(fuzz::validTimeCaption(bad)) << bad;
    for (const char* good : {"", "...", "1 min", "-2 min", "32767 min", "90 min"})
        EXPECT_TRUE(fuzz::validTimeCaption(good)) << good;
}

} // namespace
