// Seven days of virtual time: random power traces, keys, menu choices, hide commands, box
// answers given after time has passed, slider moves. The program's invariants are checked
// after every handler, and its memory must not grow from the second day to the last.
#include "app/headless_machine.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>

#if defined(__SANITIZE_ADDRESS__)
#define SORVANE_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SORVANE_ASAN 1
#endif
#endif
#ifdef SORVANE_ASAN
#include <sanitizer/allocator_interface.h>
#else
#include <malloc.h>
#endif

namespace {

using namespace sorvane;
using namespace std::chrono_literals;
using headless::Millis;

constexpr const char* noBatteryQuestion = "Vous n'avez pas de batterie :: Quitter?";

std::size_t allocatedBytes() {
#ifdef SORVANE_ASAN
    return __sanitizer_get_current_allocated_bytes();
#else
    return mallinfo2().uordblks;
#endif
}

class Week {
  public:
    Week(std::uint64_t seed, platform::Policy policy) : m_(true, policy), rng_(seed) {
        m_.os().setRecording(false);
        m_.runtime().dispatcher().afterEachHandler = [this] { check(); };
    }

    void run(int days) {
        setPower(0, 80, 3 * 3600);
        m_.start();
        for (int day = 1; day <= days; ++day) {
            const Millis end = Millis(day * 24LL * 3600 * 1000);
            while (m_.now() < end && !m_.ended())
                step();
            m_.runtime().clearRecords();
            if (day == 2) memoryAfterDay2_ = allocatedBytes();
            if (day == days) memoryAtEnd_ = allocatedBytes();
        }
    }

    const std::string& violation() const { return violation_; }
    long handlers() const { return handlers_; }
    long long growth() const {
        return static_cast<long long>(memoryAtEnd_) - static_cast<long long>(memoryAfterDay2_);
    }
    bool ended() const { return m_.ended(); }
    int hides() const { return hides_; }
    int boxes() const { return boxes_; }

  private:
    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
    bool chance(int percent) { return pick(1, 100) <= percent; }

    void setPower(int ac, int percent, int life) {
        m_.setPower(static_cast<win::BYTE>(ac), static_cast<win::BYTE>(percent), life);
    }

    // The world moves on: a new power trace, a key, a menu choice or a slider move, then time.
    void step() {
        auto& p = m_.program();
        switch (pick(0, 9)) {
        case 0: // charging / discharging / unplugged / battery removed / empty
            trace_ = pick(0, 5);
            break;
        case 1: {
            static constexpr int keys[] = {win::VK_F5, win::VK_F6, win::VK_F7, win::VK_F8};
            const int key = keys[pick(0, 3)];
            if (chance(30)) {
                m_.os().keyDown(key); // held across a few polls
                m_.advance(Millis(pick(10, 600)));
                m_.os().keyUp(key);
            } else {
                m_.os().tapKey(key);
            }
            break;
        }
        case 2:
            // A transparent gauge lets clicks through: its options button cannot be reached.
            if (m_.alpha(p.Main.hWnd()) == 0) break;
            if (chance(40)) {
                queueAnswer();
                const int n = pick(1, 8);
                m_.runtime().chooseMenuItem({"Cacher // F8", std::to_string(n) + " barre"});
                ++hides_;
            } else {
                static const char* entries[] = {"Beep /!\\ F5", "TaskBar F6", "IconBureau F7",
                                                "A Propos De Sorvane"};
                queueAnswer();
                m_.runtime().chooseMenuItem({entries[pick(0, 3)]});
            }
            m_.runtime().raise(p.Main.options, forms::Event::Click);
            break;
        case 3:
            // Only a visible gauge's slider can be reached.
            if (m_.alpha(p.Main.hWnd()) != 0) p.Main.HScroll1.setValue(pick(50, 255));
            break;
        default:
            break;
        }
        applyTrace();
        queueAnswer(); // for a question the reminder may put
        m_.advance(Millis(pick(100, 120'000)));
    }

    void queueAnswer() {
        if (m_.runtime().pendingAnswers() > 0) return;
        // Never Yes: the week would end. Boxes stay open for a while, with the program running.
        m_.runtime().answerNextBox(chance(50) ? win::IDNO : win::IDOK, Millis(pick(0, 30'000)));
    }

    void applyTrace() {
        switch (trace_) {
        case 0:
            percent_ = std::min(100, percent_ + pick(0, 2));
            setPower(1, percent_, -1);
            break;
        case 1:
            percent_ = std::max(0, percent_ - pick(0, 2));
            setPower(0, percent_, percent_ * 90);
            break;
        case 2:
            setPower(0, percent_, -1);
            break; // unplugged, no estimate yet
        case 3:
            setPower(1, 255, -1);
            break; // battery removed
        case 4:
            percent_ = 0;
            setPower(0, 0, 0);
            break; // empty
        default:
            setPower(255, 255, -1);
            break; // the driver knows nothing
        }
    }

    void fail(const std::string& what) {
        if (violation_.empty())
            violation_ = what + " at " + std::to_string(m_.now().count()) + " ms";
    }

    void check() {
        ++handlers_;
        // Only where the program rests: every handler still running is waiting in a box (a
        // handler that raised another one, the slider's Change, is still half-way through).
        const auto& d = m_.runtime().dispatcher();
        if (d.depth() != static_cast<std::size_t>(m_.runtime().openBoxCount())) return;
        const auto& s = m_.state();
        const auto& p = m_.program();
        for (auto [name, v] : {std::pair{"IconbureauOn", s.IconbureauOn},
                               {"TaskbarOn", s.TaskbarOn},
                               {"BeepOn", s.BeepOn},
                               {"IconbureauChange", s.IconbureauChange},
                               {"TaskbarChange", s.TaskbarChange},
                               {"QuestionPosee", s.QuestionPosee},
                               {"Clignotant", s.Clignotant}})
            if (v != 0 && v != 1) fail(std::string(name) + " = " + std::to_string(v));
        if (s.NiveauBarres < 0 || s.NiveauBarres > 9) fail("NiveauBarres out of 0..9");
        if (s.BarresRappel < 0 || s.BarresRappel > 8) fail("BarresRappel out of 0..8");
        if (m_.runtime().openBoxesWith(noBatteryQuestion) > 1) fail("a second no-battery question");
        if (p.Main.loaded()) {
            const int alpha = m_.alpha(p.Main.hWnd());
            if (alpha != 0 && alpha != 200 && alpha != 250 && alpha != p.Main.HScroll1.Value())
                fail("gauge alpha " + std::to_string(alpha));
            if (p.F8.loaded() && p.F8.verif.Enabled.get() != (alpha == 0))
                fail("verif enabled while not hidden, or hidden without verif");
        }
        if (d.suppressed()) fail("a handler ran during the entrance");
    }

    app::HeadlessMachine m_;
    std::mt19937_64 rng_;
    int trace_ = 1;
    int percent_ = 80;
    std::string violation_;
    long handlers_ = 0;
    int hides_ = 0;
    int boxes_ = 0;
    std::size_t memoryAfterDay2_ = 0;
    std::size_t memoryAtEnd_ = 0;
};

// Under both delivery policies: every poll on its clock, and polls that sleep when idle.
class Soak : public ::testing::TestWithParam<platform::Policy> {};

TEST_P(Soak, AWeekOfUseKeepsEveryInvariantAndFlatMemory) {
    const std::uint64_t seed = 20261208;
    Week week(seed, GetParam());
    week.run(7);
    std::printf("%s, seed %llu: %ld handlers over 7 simulated days, %d hide commands, memory "
                "%+lld bytes from day 2 to day 7\n",
                GetParam() == platform::Policy::Clock ? "clock" : "idle-aware",
                static_cast<unsigned long long>(seed), week.handlers(), week.hides(),
                week.growth());
    EXPECT_EQ(week.violation(), "");
    EXPECT_FALSE(week.ended());
    EXPECT_GT(week.hides(), 100);
    EXPECT_LT(week.growth(), 64 * 1024);
}

INSTANTIATE_TEST_SUITE_P(Policies, Soak,
                         ::testing::Values(platform::Policy::Clock, platform::Policy::IdleAware),
                         [](const auto& info) {
                             return info.param == platform::Policy::Clock ? "Clock" : "IdleAware";
                         });

} // namespace
