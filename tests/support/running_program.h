// A whole program on the headless backend, started or not, with the reads the scenarios share.
#pragma once

#include "app/headless_machine.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace sorvane::testing {

using namespace std::chrono_literals;
using headless::Millis;

// Load ends after the 5 s entrance; the first refresh, hot-key and reminder ticks follow it.
inline constexpr Millis entranceEnd = 5000ms;

// A window of the test's own whose timer acts once from inside the event loop, as the user or
// another program would; also while a modal box of the program is open.
class OneShot : public forms::Window {
  public:
    OneShot(platform::FormsRuntime& rt, Millis delay, std::function<void()> action)
        : forms::Window("OneShot", {true, false, {0, 0, 0}, nullptr, 0, 0}),
          action_(std::move(action)) {
        timer_.Tick = [this] {
            timer_.Enabled = false;
            action_();
        };
        rt.attach(*this);
        rt.Load(*this);
        timer_.Interval = static_cast<int>(delay.count());
        timer_.Enabled = true;
    }

  private:
    std::function<void()> action_;
    forms::Timer timer_{*this, "timer", 1000, false};
};

class RunningProgram : public ::testing::Test {
  protected:
    explicit RunningProgram(platform::Policy policy = platform::Policy::Clock) : m(true, policy) {}

    app::HeadlessMachine m;
    Program& p = m.program();
    ModMain& s = m.state();
    forms::MainForm& M = p.Main;
    headless::HeadlessOs& os = m.os();
    headless::HeadlessRuntime& rt = m.runtime();

    // Starts on battery at `percent` and lets the first refresh tick run.
    void start(int percent = 50, int acLine = 0, int lifeTime = 3600) {
        m.setPower(static_cast<win::BYTE>(acLine), static_cast<win::BYTE>(percent), lifeTime);
        m.start();
        m.advance(10ms);
    }

    win::HWND gauge() const { return p.Main.hWnd(); }
    int level() const { return s.NiveauBarres; }
    // The level picture shown in ImgBat, -1 for none of the ten.
    int shownLevel() {
        for (int n = 0; n <= 9; ++n)
            if (M.ImgBat.Picture.get() == M.ImgBatN(n).Picture.get()) return n;
        return -1;
    }

    std::size_t mark() const { return os.calls().size(); }
    // The OS calls made since `from`, without the key polls unless asked for.
    std::vector<std::string> callsSince(std::size_t from, bool withKeys = false) const {
        std::vector<std::string> out;
        const auto& calls = os.calls();
        for (std::size_t i = from; i < calls.size(); ++i) {
            const auto& text = calls[i].text;
            if (!withKeys && text.starts_with("GetAsyncKeyState")) continue;
            out.push_back(text);
        }
        return out;
    }
    std::size_t count(std::size_t from, std::string_view prefix) const {
        std::size_t n = 0;
        const auto& calls = os.calls();
        for (std::size_t i = from; i < calls.size(); ++i)
            if (calls[i].text.starts_with(prefix)) ++n;
        return n;
    }
    std::size_t beepSequences() const { return os.beeps().size() / 5; }

    // Runs `action` `delay` from now, delivered by the runtime like any event.
    void after(Millis delay, std::function<void()> action) {
        oneShots_.push_back(std::make_unique<OneShot>(rt, delay, std::move(action)));
    }
    // The user clicks a control of the gauge (through the dispatch rules).
    bool click(forms::Control& c) { return rt.raise(c, forms::Event::Click); }
    // The user picks an entry of the options pop-up, by its captions.
    void choose(std::vector<std::string> path) {
        rt.chooseMenuItem(std::move(path));
        click(M.options);
    }

  private:
    std::vector<std::unique_ptr<OneShot>> oneShots_;
};

inline std::string hex(win::HWND h) {
    return headless::hwndText(h);
}

// The same test under both delivery policies: what the program does may only come sooner.
class UnderBothPolicies : public RunningProgram,
                          public ::testing::WithParamInterface<platform::Policy> {
  protected:
    UnderBothPolicies() : RunningProgram(GetParam()) {}
};

inline std::string policyName(const ::testing::TestParamInfo<platform::Policy>& info) {
    return info.param == platform::Policy::Clock ? "Clock" : "IdleAware";
}

#define SORVANE_UNDER_BOTH_POLICIES(Suite)                                                         \
    INSTANTIATE_TEST_SUITE_P(                                                                      \
        Policies, Suite, ::testing::Values(platform::Policy::Clock, platform::Policy::IdleAware),  \
        policyName)

} // namespace sorvane::testing
