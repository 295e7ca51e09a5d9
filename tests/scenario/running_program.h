// A whole program on the headless backend, started or not, with the reads the scenarios share.
#pragma once

#include "platform/headless/headless_machine.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace sorvane::testing {

using namespace std::chrono_literals;
using headless::Millis;

// Load ends after the 5 s entrance; the first refresh, hot-key and reminder ticks follow it.
inline constexpr Millis entranceEnd = 5000ms;

class RunningProgram : public ::testing::Test {
  protected:
    headless::HeadlessMachine m;
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
};

inline std::string hex(win::HWND h) {
    return headless::hwndText(h);
}

} // namespace sorvane::testing
