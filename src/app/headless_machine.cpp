#include "app/headless_machine.h"

namespace sorvane::app {

HeadlessMachine::HeadlessMachine(bool withShell, platform::Policy policy)
    : os_([this] { return runtime_.now(); }, [this](Millis d) { runtime_.busy(d); }),
      services_(os_, os_, os_, os_) {
    runtime_.setOs(os_);
    runtime_.setPolicy(policy);
    runtime_.setKeyWatch(&os_);
    services_.setBeforeHold([this] { runtime_.paintPending(); });
    os_.onKeyPressed([this](int vKey) { runtime_.keyPressed(vKey); });
    if (withShell) {
        taskbar_ = os_.addShellWindow("Shell_TrayWnd", "");
        desktop_ = os_.addShellWindow("Progman", "Program Manager");
    }
    program_ = std::make_unique<Gauge>(services_, runtime_);
}

void HeadlessMachine::setPower(win::BYTE acLine, win::BYTE percent, win::LONG lifeTime) {
    win::SYSTEM_POWER_STATUS s{};
    s.ACLineStatus = acLine;
    s.BatteryLifePercent = percent;
    s.BatteryLifeTime = lifeTime;
    os_.setPowerStatus(s);
}

bool HeadlessMachine::visible(win::HWND h) const {
    const auto* w = os_.window(h);
    return w && w->visible;
}

int HeadlessMachine::alpha(win::HWND h) const {
    const auto* w = os_.window(h);
    if (!w || !(w->exStyle & win::WS_EX_LAYERED) || !w->alpha) return 255;
    return *w->alpha;
}

bool HeadlessMachine::topmost(win::HWND h) const {
    const auto* w = os_.window(h);
    return w && w->topmost;
}

} // namespace sorvane::app
