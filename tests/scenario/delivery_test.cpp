// The same sessions under the two delivery policies: every timer on its clock, and idle-aware
// (the refresh right after handlers, the key polls asleep until a key is pressed). What the
// program does must not change: the same system calls, boxes and screens in the same order, each
// at the same time or sooner, never later, and never sooner than one poll period.
#include "support/running_program.h"

#include <functional>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace sorvane;
using namespace std::chrono_literals;
using app::HeadlessMachine;
using headless::Millis;
using platform::Policy;

// Load returns once the 5 s entrance is over; the key polls tick on this beat from there.
constexpr Millis entranceEnd = 5000ms;
constexpr Millis keyPeriod = 150ms;

struct Entry {
    Millis at;
    std::string text;
};

// One program run under one policy, driven by a script and recorded.
class Session {
  public:
    Session(Policy policy, std::vector<Millis>& times) : m_(true, policy), times_(&times) {
        // Looked at after each refresh: under either policy the screen is settled then, and a
        // state the refresh replaces at once was never meant to be seen.
        auto& refresh = p().Main.changer.Tick;
        refresh = [this, tick = refresh] {
            tick();
            refreshed_ = handled_ + 1; // this one, about to be counted
            look();
        };
        m_.runtime().dispatcher().afterEachHandler = [this] { ++handled_; };
    }

    Program& p() { return m_.program(); }
    HeadlessMachine& m() { return m_; }
    headless::HeadlessOs& os() { return m_.os(); }
    headless::HeadlessRuntime& rt() { return m_.runtime(); }

    // --- the script's verbs ---
    void power(int ac, int percent, int life = -1) {
        m_.setPower(static_cast<win::BYTE>(ac), static_cast<win::BYTE>(percent), life);
    }
    void start(int percent = 60) {
        power(0, percent, percent * 120);
        m_.start();
    }
    void wait(Millis d) { m_.advance(d); }
    void tap(int vKey) { os().tapKey(vKey); }
    // Held across `ticks` further ticks of its poll. The press lands 1 ms before a tick of the
    // poll on the clock (whose beat a beep shifts), and the idle-aware run replays the clock
    // run's press times: both then see the key down at as many ticks (a held key toggles at
    // each tick, and an idle-aware poll starts its beat at the press).
    void hold(int vKey, int ticks) {
        auto& poll = vKey == win::VK_F8 ? p().F8.touche : p().Main.Timer1;
        const Millis period(poll.Interval);
        Millis press{0};
        if (rt().policy() == Policy::Clock) {
            for (;;) {
                settle();
                press = rt().timerDue(poll) - 1ms;
                // No battery tick from now to the release: a beep would hold the ticks back,
                // and an idle-aware refresh would then overtake the reading.
                const bool clash = batteryTickIn(m_.now(), press + period * ticks + period);
                if (!clash) break;
                wait(period);
            }
        }
        wait(agreed(press) - m_.now());
        os().keyDown(vKey);
        wait(period * ticks + period / 2);
        os().keyUp(vKey);
    }
    // Waits for about `d`, then on until the clock run is settled (see below).
    void waitClear(Millis d) {
        Millis t = m_.now() + d;
        if (rt().policy() == Policy::Clock) {
            wait(d);
            settle();
            t = m_.now();
        }
        wait(agreed(t) - m_.now());
    }
    void choose(std::vector<std::string> path) {
        // Its box, if any, is read for a moment, as a person would.
        if (!path.empty() && (path[0] == "Cacher // F8" || path[0].starts_with("A Propos")))
            answer(win::IDOK, 400ms);
        rt().chooseMenuItem(std::move(path));
        rt().raise(p().Main.options, forms::Event::Click);
    }
    void slide(int value) { p().Main.HScroll1.setValue(static_cast<std::int16_t>(value)); }
    void answer(int button, Millis after) { rt().answerNextBox(button, after); }
    void close() { rt().raise(p().Main.fermer, forms::Event::Click); }
    // `action` in `delay`, from the event loop: also while a box of the program is open.
    void later(Millis delay, std::function<void()> action) {
        oneShots_.push_back(
            std::make_unique<sorvane::testing::OneShot>(rt(), delay, std::move(action)));
    }

    // An input just before a battery tick (the reading, the level watcher) gets its reaction
    // before the tick under the idle-aware policy and after it on the clock: the same things in
    // another order. Just after one, the clock's refresh may not have followed it yet. So the
    // clock run waits until neither holds.
    void settle() {
        while (!rt().ended() && (handled_ > refreshed_ || justTicked() ||
                                 batteryTickIn(m_.now(), m_.now() + keyPeriod + 20ms)))
            wait(10ms);
    }
    bool justTicked() {
        for (auto* timer : {&p().Main.rappel, &p().F8.verif})
            if (rt().timerScheduled(*timer) &&
                rt().timerDue(*timer) - Millis(timer->Interval) > m_.now() - 20ms)
                return true;
        return false;
    }
    bool batteryTickIn(Millis from, Millis to) {
        for (auto* timer : {&p().Main.rappel, &p().F8.verif}) {
            if (!rt().timerScheduled(*timer)) continue;
            for (Millis due = rt().timerDue(*timer); due <= to; due += Millis(timer->Interval))
                if (due >= from) return true;
        }
        return false;
    }

    // A time the clock run picks and the idle-aware run replays.
    Millis agreed(Millis t) {
        if (rt().policy() == Policy::Clock) {
            times_->push_back(t);
            return t;
        }
        return times_->at(replayed_++);
    }

    // --- what happened ---
    std::vector<Entry> calls() const {
        std::vector<Entry> out;
        for (const auto& c : m_.os().calls())
            if (!c.text.starts_with("GetAsyncKeyState")) out.push_back({c.at, c.text});
        return out;
    }
    std::size_t keyPolls() const {
        std::size_t n = 0;
        for (const auto& c : m_.os().calls())
            n += c.text.starts_with("GetAsyncKeyState");
        return n;
    }
    std::vector<Entry> boxes() const {
        std::vector<Entry> out;
        for (const auto& b : m_.runtime().boxes())
            out.push_back({b.at, b.title + ": " + b.text + " -> " + std::to_string(b.answer)});
        return out;
    }
    const std::vector<Entry>& screens() const { return screens_; }

  private:
    // What the user can see and what the program keeps; a line when it changed.
    void look() {
        auto& M = p().Main;
        auto& s = p().state;
        const auto name = [](forms::PictureRef pic) {
            return pic ? std::string(pic->name) : std::string("-");
        };
        std::ostringstream o;
        o << "Pile=" << name(M.Pile.Picture) << " ImgBat=" << name(M.ImgBat.Picture) << " temps='"
          << M.temps.Caption.get() << "' slider=" << M.HScroll1.Value()
          << " alpha=" << m_.alpha(M.hWnd()) << " shown=" << m_.visible(M.hWnd())
          << " taskbar=" << m_.taskbarVisible() << " desktop=" << m_.desktopVisible()
          << " niveau=" << s.NiveauBarres << " rappel=" << s.BarresRappel << " beep=" << s.BeepOn
          << " tb=" << s.TaskbarOn << "/" << s.TaskbarChange << " ic=" << s.IconbureauOn << "/"
          << s.IconbureauChange << " verif=" << p().F8.verif.Enabled.get();
        if (screens_.empty() || screens_.back().text != o.str())
            screens_.push_back({m_.now(), o.str()});
    }

    mutable HeadlessMachine m_; // its readers are not const
    std::vector<Entry> screens_;
    std::vector<std::unique_ptr<sorvane::testing::OneShot>> oneShots_;
    std::vector<Millis>* times_;
    unsigned long handled_ = 0;   // handlers run
    unsigned long refreshed_ = 0; // handlers run up to the latest refresh
    std::size_t replayed_ = 0;
};

using Script = std::function<void(Session&)>;

// Same lines in the same order; each no later under the idle-aware policy, and no more than one
// key-poll period sooner. Returns how much sooner in all.
Millis compare(const char* what, const std::vector<Entry>& clock, const std::vector<Entry>& idle) {
    Millis sooner{0};
    const std::size_t n = std::min(clock.size(), idle.size());
    for (std::size_t i = 0; i < n; ++i) {
        if (clock[i].text != idle[i].text) {
            std::ostringstream context;
            for (std::size_t k = i > 8 ? i - 8 : 0; k < std::min(n, i + 4); ++k)
                context << "\n  " << (k == i ? "> " : "  ") << clock[k].at.count() << " "
                        << clock[k].text << " | " << idle[k].at.count() << " " << idle[k].text;
            ADD_FAILURE() << what << " #" << i << " differs (clock | idle-aware):" << context.str();
            return sooner;
        }
        const Millis ahead = clock[i].at - idle[i].at;
        if (ahead < 0ms || ahead > keyPeriod) {
            ADD_FAILURE() << what << " #" << i << " '" << clock[i].text << "' at "
                          << clock[i].at.count() << " ms on the clock, " << idle[i].at.count()
                          << " ms idle-aware";
            return sooner;
        }
        sooner += ahead;
    }
    EXPECT_EQ(clock.size(), idle.size()) << what << ": one run has more lines";
    return sooner;
}

struct Outcome {
    Millis sooner{0};
    std::size_t clockPolls = 0;
    std::size_t idlePolls = 0;
};

Outcome runBoth(const Script& script) {
    std::vector<Millis> times;
    Session clock(Policy::Clock, times);
    Session idle(Policy::IdleAware, times);
    script(clock);
    script(idle);
    Outcome o;
    o.sooner += compare("system calls", clock.calls(), idle.calls());
    o.sooner += compare("boxes", clock.boxes(), idle.boxes());
    o.sooner += compare("screens", clock.screens(), idle.screens());
    o.clockPolls = clock.keyPolls();
    o.idlePolls = idle.keyPolls();
    return o;
}

// Each session keeps its inputs apart (a second or so), so a reaction that comes sooner cannot
// overtake another event; a tap lands between two beats of the key polls.
struct SessionCase {
    const char* name;
    Script script;
    bool reactsToKeys; // some reaction comes sooner
};

const SessionCase sessions[] = {
    {"DischargeFromFullToEmpty",
     [](Session& r) {
         r.start(97);
         for (int pc = 96; pc >= 0; pc -= 3) {
             r.power(0, pc, pc * 120);
             r.wait(1337ms);
         }
         r.wait(6s);
     },
     false},
    {"MainsAndBatteryAndUnknownReadings",
     [](Session& r) {
         r.start(40);
         r.power(1, 41, -1);
         r.wait(2s);
         r.power(255, 42, -1);
         r.wait(2s);
         r.power(0, 255, -1);
         r.wait(2s);
         r.power(0, 100, 7200);
         r.wait(2s);
         r.power(0, 86, 7000);
         r.wait(2s);
     },
     false},
    {"HotKeysTappedBetweenBeats",
     [](Session& r) {
         r.start(55);
         r.wait(1040ms);
         for (int key : {win::VK_F6, win::VK_F7, win::VK_F7, win::VK_F5, win::VK_F6, win::VK_F5}) {
             r.tap(key);
             r.wait(1013ms);
         }
         // Two keys within one beat: both seen by the same tick, the icons first.
         r.tap(win::VK_F6);
         r.tap(win::VK_F7);
         r.wait(1s);
         r.tap(win::VK_F7);
         r.wait(1s);
     },
     true},
    {"HotKeysHeld",
     [](Session& r) {
         r.start(55);
         r.wait(1s);
         r.hold(win::VK_F6, 3);
         r.wait(1s);
         r.hold(win::VK_F5, 4);
         r.wait(1s);
         r.hold(win::VK_F7, 1);
         r.wait(1s);
         r.hold(win::VK_F8, 2);
         r.wait(1s);
     },
     true},
    {"HiddenUntilALevelThenRecalledByTheBattery",
     [](Session& r) {
         r.start(78);
         r.wait(1500ms);
         r.choose({"Cacher // F8", "7 barre"});
         r.wait(1s);
         for (int pc = 77; pc >= 72; --pc) {
             r.power(0, pc, pc * 120);
             r.wait(1s);
         }
         r.wait(3s);
         r.choose({"Cacher // F8", "3 barre"});
         r.wait(1040ms);
         r.tap(win::VK_F8);
         r.wait(1s);
         r.slide(120);
         r.wait(1s);
         r.tap(win::VK_F8);
         r.wait(1s);
     },
     true},
    {"LowBatteryBlinkWithTheBeepSwitched",
     [](Session& r) {
         r.start(6);
         r.wait(1500ms);
         r.power(0, 4, 300);
         r.wait(3s);
         r.choose({"Beep /!\\ F5"});
         r.wait(3020ms);
         r.tap(win::VK_F5);
         r.wait(4s);
         r.power(1, 4, -1);
         r.wait(3s);
     },
     true},
    {"NoBatteryQuestionWithKeysMeanwhile",
     [](Session& r) {
         r.m().setPower(1, 255, -1);
         r.answer(win::IDNO, 3500ms);
         r.m().start();
         r.later(1540ms, [&r] { r.tap(win::VK_F6); }); // while the question is open
         r.wait(6s);
         r.answer(win::IDYES, 1200ms);
         r.wait(3s);
     },
     true},
    {"MenuThenClose",
     [](Session& r) {
         r.start(33);
         r.wait(1s);
         r.choose({"TaskBar F6"});
         r.wait(1s);
         r.choose({"IconBureau F7"});
         r.wait(1s);
         r.choose({"A Propos De Sorvane"});
         r.wait(1s);
         r.choose({});
         r.wait(1s);
         r.close();
         r.wait(2s);
     },
     false},
};

void PrintTo(const SessionCase& c, std::ostream* os) {
    *os << c.name;
}

class SameUnderBothPolicies : public ::testing::TestWithParam<SessionCase> {};

TEST_P(SameUnderBothPolicies, OnlySooner) {
    const Outcome o = runBoth(GetParam().script);
    if (GetParam().reactsToKeys) {
        EXPECT_GT(o.sooner, 0ms) << "no reaction came any sooner";
    }
    // The point of it all: asleep between key presses.
    EXPECT_LT(o.idlePolls * 3, o.clockPolls);
}

INSTANTIATE_TEST_SUITE_P(Sessions, SameUnderBothPolicies, ::testing::ValuesIn(sessions),
                         [](const auto& info) { return std::string(info.param.name); });

// Random sessions under the same rules: inputs a second or more apart, taps between beats,
// holds on a beat, boxes answered after a while.
TEST(SameUnderBothPolicies, RandomSessions) {
    for (unsigned seed = 1; seed <= 100; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        const Script script = [seed](Session& r) {
            std::mt19937 rng(seed);
            const auto pick = [&](int lo, int hi) {
                return std::uniform_int_distribution<int>(lo, hi)(rng);
            };
            int percent = pick(0, 100);
            r.start(percent);
            r.wait(1040ms);
            const int keys[] = {win::VK_F5, win::VK_F6, win::VK_F7, win::VK_F8};
            for (int step = 0; step < 40 && !r.rt().ended(); ++step) {
                switch (pick(0, 7)) {
                case 0:
                case 1:
                    percent = std::clamp(percent + pick(-12, 4), 0, 100);
                    r.power(pick(0, 1), pick(0, 20) == 0 ? 255 : percent, percent * 100);
                    break;
                case 2:
                    r.tap(keys[pick(0, 3)]);
                    break;
                case 3:
                    r.hold(keys[pick(0, 3)], pick(0, 3));
                    break;
                case 4:
                    r.choose({"Cacher // F8", std::to_string(pick(1, 8)) + " barre"});
                    break;
                case 5:
                    r.choose({pick(0, 1) ? "TaskBar F6" : "IconBureau F7"});
                    break;
                case 6:
                    r.slide(pick(50, 255));
                    break;
                case 7:
                    r.answer(pick(0, 1) ? win::IDYES : win::IDNO, Millis(pick(0, 4000)));
                    r.power(1, 255, -1);
                    break;
                }
                // On to just past the next second's reading, then a little into the second.
                const Millis sinceReading = (r.m().now() - entranceEnd) % 1000ms;
                r.waitClear(1000ms - sinceReading + Millis(pick(1, 2) * 300 + 40));
            }
        };
        runBoth(script);
        if (::testing::Test::HasFailure()) return;
    }
}

} // namespace

namespace {

// A minute of a program left alone: the idle-aware one wakes for the reading each second and
// the refresh after it, nothing else; the clock one for every poll.
TEST(IdleProgram, WakesOnlyForTheReading) {
    for (const Policy policy : {Policy::Clock, Policy::IdleAware}) {
        HeadlessMachine m(true, policy);
        m.setPower(0, 60, 7200);
        m.start();
        m.advance(1s);
        unsigned long handlers = 0;
        m.runtime().dispatcher().afterEachHandler = [&] { ++handlers; };
        const auto polls = m.os().calls().size();
        m.advance(60s);
        if (policy == Policy::IdleAware) {
            EXPECT_EQ(handlers, 120u);
            for (auto i = polls; i < m.os().calls().size(); ++i)
                EXPECT_EQ(m.os().calls()[i].text, "GetSystemPowerStatus()");
        } else {
            EXPECT_GT(handlers, 6000u); // the refresh alone ticks a hundred times a second
        }
    }
}

} // namespace

namespace {

// A press while its poll still runs on its clock, only to see the last key come up, is taken at
// once as from sleep; a press while another of its keys is held keeps that key's beat, so the
// held key toggles no more often than on a clock.
TEST(IdleProgram, APressWhileThePollIsAwake) {
    HeadlessMachine m(true, Policy::IdleAware);
    auto& p = m.program();
    auto& os = m.os();
    m.setPower(0, 60, 7200);
    m.start();
    m.advance(1s);

    os.keyDown(win::VK_F8);
    m.advance(10ms);
    os.keyUp(win::VK_F8);
    p.Main.HScroll1.setValue(100);
    ASSERT_EQ(m.alpha(p.Main.hWnd()), 100);
    os.keyDown(win::VK_F8); // 10 ms after the last tick, 40 before the next
    m.advance(0ms);
    EXPECT_EQ(m.alpha(p.Main.hWnd()), 250);
    os.keyUp(win::VK_F8);

    // The menu's check marks, which each toggle flips.
    const bool beep = p.menu.ckd_beep.Checked;
    const bool taskbar = p.menu.Taskbar.Checked;
    os.keyDown(win::VK_F5);
    m.advance(0ms);
    EXPECT_NE(p.menu.ckd_beep.Checked, beep) << "a press is seen at once";
    m.advance(60ms);
    os.keyDown(win::VK_F6);
    m.advance(0ms);
    EXPECT_EQ(p.menu.Taskbar.Checked, taskbar) << "F5's beat goes on";
    m.advance(90ms);
    EXPECT_NE(p.menu.Taskbar.Checked, taskbar);
    EXPECT_EQ(p.menu.ckd_beep.Checked, beep) << "two ticks of F5 held: two toggles";
}

} // namespace
