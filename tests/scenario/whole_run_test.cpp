// One whole run on the headless backend, from start to close, checked by its transcript: what
// the program asked of the system (the periodic power readings and key polls left out), the
// boxes it put and the beeps it sounded, each at its virtual time.
#include "scenario/running_program.h"

#include <optional>
#include <sstream>

namespace {

using namespace sorvane;
using namespace sorvane::testing;

std::string at(Millis t) {
    std::ostringstream o;
    o << t.count() / 1000 << '.' << (t.count() % 1000) / 100 << (t.count() % 100) / 10
      << t.count() % 10;
    return o.str();
}

class WholeRun : public RunningProgram {
  protected:
    // The battery loses one point a second, with two minutes of life per point.
    void dischargeTo(int pourcent) {
        for (int pc = s.Pourcent - 1; pc >= pourcent; --pc) {
            m.setPower(0, static_cast<win::BYTE>(pc), pc * 120);
            m.advance(1s);
        }
    }

    // One line per call; the tones of one warning share a line.
    std::vector<std::string> transcript() const {
        std::vector<std::string> out;
        std::optional<Millis> lastTone;
        for (const auto& c : os.calls()) {
            if (c.text.starts_with("GetAsyncKeyState") || c.text == "GetSystemPowerStatus()")
                continue;
            const bool tone = c.text.starts_with("Beep(");
            if (tone && lastTone && c.at == *lastTone + 100ms)
                out.back() += " " + c.text.substr(4);
            else
                out.push_back(at(c.at) + " " + c.text);
            lastTone = tone ? std::optional(c.at) : std::nullopt;
        }
        return out;
    }
};

TEST_F(WholeRun, FromStartToClose) {
    m.setPower(0, 90, 90 * 120);
    m.start();
    const auto g = hex(gauge());
    ASSERT_EQ(m.now(), entranceEnd);
    EXPECT_EQ(M.temps.Caption.get(), "");

    // Half a second off the reminder's beat, so each new reading is taken and shown within
    // the next second.
    m.advance(1500ms);
    EXPECT_EQ(M.temps.Caption.get(), "180 min");
    EXPECT_EQ(level(), 9);

    dischargeTo(84); // level 8 from 84 %
    EXPECT_EQ(level(), 8);
    EXPECT_EQ(shownLevel(), 8);

    // The hot keys: the taskbar away, the icons away, the icons back (with the taskbar).
    os.tapKey(win::VK_F6);
    m.advance(150ms);
    EXPECT_FALSE(m.taskbarVisible());
    os.tapKey(win::VK_F7);
    m.advance(150ms);
    EXPECT_FALSE(m.desktopVisible());
    os.tapKey(win::VK_F7);
    m.advance(150ms);
    EXPECT_TRUE(m.desktopVisible());
    EXPECT_TRUE(m.taskbarVisible());

    // The menu: F6 cleared the taskbar's mark, so its switch now checks it and shows the
    // taskbar, which the icons already brought back; then the about box.
    choose({"TaskBar F6"});
    m.advance(10ms);
    EXPECT_TRUE(m.taskbarVisible());
    EXPECT_EQ(s.TaskbarOn, 1);
    choose({"A Propos De Sorvane"});

    // Hidden until 7 bars: the level recall comes with the beep.
    choose({"Cacher // F8", "7 barre"});
    EXPECT_EQ(m.alpha(gauge()), 0);
    dischargeTo(74);
    m.advance(2s);
    EXPECT_EQ(m.alpha(gauge()), 250);
    EXPECT_EQ(beepSequences(), 1u);

    // Hidden until 1 bar, then F8.
    choose({"Cacher // F8", "1 barre"});
    m.advance(3s);
    os.tapKey(win::VK_F8);
    m.advance(50ms);
    EXPECT_EQ(m.alpha(gauge()), 250);
    EXPECT_EQ(beepSequences(), 1u);

    // The battery runs low: two blink cycles, a beep in each.
    dischargeTo(4);
    EXPECT_EQ(level(), 0);
    const auto lowSince = os.beeps().size();
    m.advance(4s);
    EXPECT_EQ(os.beeps().size() - lowSince, 10u);

    // The taskbar hidden again, then the close: it stays hidden.
    choose({"TaskBar F6"});
    m.advance(10ms);
    EXPECT_FALSE(m.taskbarVisible());
    click(M.fermer);
    EXPECT_TRUE(m.ended());
    const auto end = mark();
    m.advance(10s);
    EXPECT_EQ(mark(), end);
    EXPECT_FALSE(m.taskbarVisible());

    const auto tb = hex(m.taskbar());
    const auto dt = hex(m.desktop());
    const auto f8 = hex(p.F8.hWnd());
    const std::string tones = "Beep(1010, 100) (1505, 100) (2000, 100) (1505, 100) (1010, 100)";
    const auto opacity = [&](const std::string& t, int alpha) {
        return std::vector<std::string>{
            t + " GetWindowLongA(" + g + ", -20)",
            t + " SetWindowLongA(" + g + ", -20, 0x80000)",
            t + " SetLayeredWindowAttributes(" + g + ", 0, " + std::to_string(alpha) + ", 0x2)",
        };
    };
    std::vector<std::string> expected;
    const auto add = [&](std::vector<std::string> lines) {
        expected.insert(expected.end(), lines.begin(), lines.end());
    };
    // Start-up: opacity, the watcher (itself invisible, the gauge topmost), the entrance.
    add(opacity("0.000", 200));
    add({"0.000 GetWindowLongA(" + f8 + ", -20)", "0.000 SetWindowLongA(" + f8 + ", -20, 0x80000)",
         "0.000 SetLayeredWindowAttributes(" + f8 + ", 0, 0, 0x2)",
         "0.000 SetWindowPos(" + g + ", -1, 0, 0, 0, 0, 0x3)",
         "0.000 AnimateWindow(" + g + ", 5000, 0x10)"});
    // F6, F7, F7: each carried out by the refresh tick right after the key's tick.
    add({"12.650 FindWindowA(\"Shell_traywnd\", \"\")",
         "12.650 SetWindowPos(" + tb + ", 0, 0, 0, 0, 0, 0x80)",
         "12.800 FindWindowA(\"Progman\", \"Program Manager\")", "12.800 ShowWindow(" + dt + ", 0)",
         "12.950 FindWindowA(\"Progman\", \"Program Manager\")", "12.950 ShowWindow(" + dt + ", 5)",
         "12.950 FindWindowA(\"Shell_traywnd\", \"\")",
         "12.950 SetWindowPos(" + tb + ", 0, 0, 0, 0, 0, 0x40)"});
    // The TaskBar item, then "7 barre".
    add({"12.960 FindWindowA(\"Shell_traywnd\", \"\")",
         "12.960 SetWindowPos(" + tb + ", 0, 0, 0, 0, 0, 0x40)"});
    add(opacity("12.960", 0));
    // Level 7 read at 22 s: the watcher's next tick brings the gauge back, slider and all.
    add(opacity("22.960", 250));
    add(opacity("22.960", 250));
    add({"22.960 SetWindowPos(" + g + ", -1, 0, 0, 0, 0, 0x3)", "22.960 " + tones});
    // "1 barre", then F8 three seconds later: no beep.
    add(opacity("25.460", 0));
    add(opacity("28.510", 250));
    add({"28.510 SetWindowPos(" + g + ", -1, 0, 0, 0, 0, 0x3)"});
    // 4 % read at 98 s: the blink beeps every other second.
    add({"98.460 " + tones, "100.460 " + tones, "102.460 " + tones});
    // The taskbar hidden, then the close.
    add({"102.970 FindWindowA(\"Shell_traywnd\", \"\")",
         "102.970 SetWindowPos(" + tb + ", 0, 0, 0, 0, 0, 0x80)"});
    EXPECT_EQ(transcript(), expected);

    std::vector<std::string> boxes;
    for (const auto& b : rt.boxes())
        boxes.push_back(at(b.at) + " " + b.title + ": " + b.text + " [" + std::to_string(b.style) +
                        "]" + (b.unasked ? " unasked" : ""));
    EXPECT_EQ(boxes, (std::vector<std::string>{
                         "12.960 Sorvane: Sorvane Par Quillet. [0]",
                         "12.960 Touche Rappel: Pour réafficher le programme :: F8 [64]",
                         "25.460 Touche Rappel: Pour réafficher le programme :: F8 [64]",
                     }));
    EXPECT_EQ(os.beeps().size(), 20u);
}

} // namespace
