#include "platform/headless/headless_os.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace sorvane::headless {

using namespace win;

namespace {
std::string hex(unsigned long long v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "0x%llx", v);
    return buf;
}

std::string quoted(const char* s) {
    return s ? "\"" + std::string(s) + "\"" : "NULL";
}

bool equalNoCase(const std::string& a, const char* b) {
    const std::string_view bv(b);
    return a.size() == bv.size() &&
           std::equal(a.begin(), a.end(), bv.begin(), [](unsigned char x, unsigned char y) {
               return std::tolower(x) == std::tolower(y);
           });
}
} // namespace

std::string hwndText(HWND h) {
    if (h == 0) return "0";
    if (h == HWND_TOPMOST) return "-1";
    return hex(h);
}

HeadlessOs::HeadlessOs(std::function<Millis()> now, std::function<void(Millis)> busy)
    : now_(std::move(now)), busy_(std::move(busy)) {}

void HeadlessOs::record(std::string text) {
    calls_.push_back({now_(), std::move(text)});
    if (watcher_) watcher_(calls_.back());
}

WindowState* HeadlessOs::find(HWND h) {
    auto it = windows_.find(h);
    return it == windows_.end() ? nullptr : &it->second;
}

const WindowState* HeadlessOs::window(HWND h) const {
    auto it = windows_.find(h);
    return it == windows_.end() ? nullptr : &it->second;
}

void HeadlessOs::clearRecords() {
    calls_.clear();
    beeps_.clear();
}

BOOL HeadlessOs::GetSystemPowerStatus(SYSTEM_POWER_STATUS& status) {
    if (recording_) record("GetSystemPowerStatus()");
    status = power_;
    return 1;
}

BOOL HeadlessOs::Beep(DWORD frequency, DWORD duration) {
    if (recording_)
        record("Beep(" + std::to_string(frequency) + ", " + std::to_string(duration) + ")");
    if (recording_) beeps_.push_back({frequency, duration, now_()});
    busy_(Millis(duration));
    return 1;
}

SHORT HeadlessOs::GetAsyncKeyState(int vKey) {
    if (recording_) record("GetAsyncKeyState(" + hex(static_cast<unsigned>(vKey)) + ")");
    int state = 0;
    if (down_.count(vKey)) state |= 0x8000;
    if (latched_.erase(vKey)) state |= 0x0001;
    return static_cast<SHORT>(state);
}

void HeadlessOs::keyDown(int vKey) {
    down_.insert(vKey);
    latched_.insert(vKey);
    if (keyPressed_) keyPressed_(vKey);
}

void HeadlessOs::keyUp(int vKey) {
    down_.erase(vKey);
}

void HeadlessOs::tapKey(int vKey) {
    latched_.insert(vKey);
    if (keyPressed_) keyPressed_(vKey);
}

HWND HeadlessOs::addShellWindow(std::string className, std::string title, bool visible) {
    const HWND h = nextShell_++;
    WindowState w;
    w.className = std::move(className);
    w.title = std::move(title);
    w.shell = true;
    w.visible = visible;
    windows_[h] = std::move(w);
    return h;
}

HWND HeadlessOs::addProgramWindow(std::string name) {
    const HWND h = nextProgram_++;
    WindowState w;
    w.className = "SorvaneForm";
    w.title = std::move(name);
    windows_[h] = std::move(w);
    return h;
}

void HeadlessOs::setProgramWindowVisible(HWND h, bool visible) {
    if (auto* w = find(h)) w->visible = visible;
}

HWND HeadlessOs::FindWindowA(const char* className, const char* windowName) {
    if (recording_) record("FindWindowA(" + quoted(className) + ", " + quoted(windowName) + ")");
    for (const auto& [h, w] : windows_) {
        if (className && !equalNoCase(w.className, className)) continue;
        if (windowName && w.title != windowName) continue;
        return h;
    }
    return 0;
}

BOOL HeadlessOs::SetWindowPos(HWND h, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
    if (recording_)
        record("SetWindowPos(" + hwndText(h) + ", " + hwndText(insertAfter) + ", " +
               std::to_string(x) + ", " + std::to_string(y) + ", " + std::to_string(cx) + ", " +
               std::to_string(cy) + ", " + hex(flags) + ")");
    auto* w = find(h);
    if (!w) return 0;
    if (insertAfter == HWND_TOPMOST) w->topmost = true;
    if (flags & SWP_HIDEWINDOW) w->visible = false;
    if (flags & SWP_SHOWWINDOW) w->visible = true;
    return 1;
}

BOOL HeadlessOs::ShowWindow(HWND h, int command) {
    if (recording_) record("ShowWindow(" + hwndText(h) + ", " + std::to_string(command) + ")");
    auto* w = find(h);
    if (!w) return 0;
    const bool was = w->visible;
    if (command == SW_HIDE) w->visible = false;
    if (command == SW_SHOW) w->visible = true;
    return was ? 1 : 0;
}

BOOL HeadlessOs::ReleaseCapture() {
    if (recording_) record("ReleaseCapture()");
    return 1;
}

LRESULT HeadlessOs::SendMessageA(HWND h, UINT message, WPARAM wParam, LPARAM lParam) {
    if (recording_)
        record("SendMessageA(" + hwndText(h) + ", " + hex(message) + ", " + std::to_string(wParam) +
               ", " + std::to_string(lParam) + ")");
    auto* w = find(h);
    if (w && message == WM_NCLBUTTONDOWN && wParam == HTCAPTION) ++w->moves;
    return 0;
}

BOOL HeadlessOs::AnimateWindow(HWND h, DWORD time, DWORD flags) {
    if (recording_)
        record("AnimateWindow(" + hwndText(h) + ", " + std::to_string(time) + ", " + hex(flags) +
               ")");
    auto* w = find(h);
    if (!w) return 0;
    w->visible = true;
    busy_(Millis(time));
    return 1;
}

LONG HeadlessOs::GetWindowLongA(HWND h, int index) {
    if (recording_) record("GetWindowLongA(" + hwndText(h) + ", " + std::to_string(index) + ")");
    auto* w = find(h);
    return w && index == GWL_EXSTYLE ? w->exStyle : 0;
}

LONG HeadlessOs::SetWindowLongA(HWND h, int index, LONG newLong) {
    if (recording_)
        record("SetWindowLongA(" + hwndText(h) + ", " + std::to_string(index) + ", " +
               hex(static_cast<std::uint32_t>(newLong)) + ")");
    auto* w = find(h);
    if (!w || index != GWL_EXSTYLE) return 0;
    const LONG old = w->exStyle;
    w->exStyle = newLong;
    return old;
}

BOOL HeadlessOs::SetLayeredWindowAttributes(HWND h, DWORD colourKey, BYTE alpha, DWORD flags) {
    if (recording_)
        record("SetLayeredWindowAttributes(" + hwndText(h) + ", " + std::to_string(colourKey) +
               ", " + std::to_string(alpha) + ", " + hex(flags) + ")");
    auto* w = find(h);
    // As on Windows, only a layered window takes an alpha.
    if (!w || !(w->exStyle & WS_EX_LAYERED)) return 0;
    if (flags & LWA_ALPHA) w->alpha = alpha;
    return 1;
}

} // namespace sorvane::headless
