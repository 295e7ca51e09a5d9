// The window calls on X11: each goes to the shell's windows (x11_shell_windows.cpp) or to the
// program's own (x11_gauge_window.cpp), whose checklists say how each call is stood in for.
#include "platform/linux/x11_windows.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace sorvane::linuxos {
namespace {

// Events read into Xlib's queue during an operation's round trips are handled before it returns.
struct PumpOnExit {
    X11Windows& windows;
    ~PumpOnExit() { windows.processEvents(); }
};

} // namespace

X11Windows::X11Windows(const std::string& displayName)
    : x_(displayName), gauge_(x_), shell_(x_, [this](unsigned long w) { return gauge_.isOwn(w); }) {
}

void X11Windows::processEvents() {
    gauge_.processEvents();
}

void X11Windows::addOwnWindow(win::HWND window) {
    gauge_.addOwnWindow(window);
}

void X11Windows::removeOwnWindow(win::HWND window) {
    gauge_.removeOwnWindow(window);
}

void X11Windows::setSkipTaskbar(win::HWND window) {
    if (connected()) gauge_.setSkipTaskbar(window);
}

win::HWND X11Windows::FindWindowA(const char* className, const char* windowName) {
    if (!connected() || !className) return 0;
    processEvents();
    const PumpOnExit pump{*this};
    std::string cls(className);
    std::transform(cls.begin(), cls.end(), cls.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    std::vector<unsigned long> found;
    // The taskbar has an empty title and the desktop window "Program Manager"; another title
    // names no shell window.
    if (cls == "shell_traywnd" && (!windowName || !*windowName))
        found = shell_.find(X11ShellWindows::Kind::Panel);
    else if (cls == "progman" && (!windowName || std::strcmp(windowName, "Program Manager") == 0))
        found = shell_.find(X11ShellWindows::Kind::Desktop);
    return found.empty() ? 0 : found.front();
}

win::BOOL X11Windows::SetWindowPos(win::HWND window, win::HWND insertAfter, int x, int y, int cx,
                                   int cy, win::UINT flags) {
    if (!x_.exists(window)) return 0;
    processEvents();
    const PumpOnExit pump{*this};
    bool ok = true;
    // The position and size are not applied with a hide or a show.
    if (flags & win::SWP_HIDEWINDOW) {
        for (unsigned long w : shell_.sameKindAs(window))
            ok = shell_.hide(w) && ok;
        return ok ? 1 : 0;
    }
    if (flags & win::SWP_SHOWWINDOW) {
        for (unsigned long w : shell_.sameKindAs(window)) {
            ok = shell_.show(w) && ok;
            gauge_.reassertOnTop(w);
        }
        return ok ? 1 : 0;
    }
    if (insertAfter == win::HWND_TOPMOST) gauge_.keepOnTop(window);
    gauge_.place(window, !(flags & win::SWP_NOMOVE), x, y, !(flags & win::SWP_NOSIZE), cx, cy);
    return 1;
}

win::BOOL X11Windows::ShowWindow(win::HWND window, int command) {
    if (!x_.exists(window)) return 0;
    processEvents();
    const PumpOnExit pump{*this};
    const bool wasVisible = x_.mapped(window);
    if (command == win::SW_HIDE)
        for (unsigned long w : shell_.sameKindAs(window))
            shell_.hide(w);
    else if (command == win::SW_SHOW)
        for (unsigned long w : shell_.sameKindAs(window))
            shell_.show(w);
    return wasVisible ? 1 : 0;
}

win::BOOL X11Windows::ReleaseCapture() {
    if (releaseCapture) releaseCapture();
    return 1;
}

win::LRESULT X11Windows::SendMessageA(win::HWND window, win::UINT message, win::WPARAM wParam,
                                      win::LPARAM) {
    if (message != win::WM_NCLBUTTONDOWN || wParam != win::HTCAPTION || !x_.exists(window))
        return 0;
    processEvents();
    const PumpOnExit pump{*this};
    gauge_.startMove(window);
    return 0;
}

win::BOOL X11Windows::AnimateWindow(win::HWND window, win::DWORD time, win::DWORD flags) {
    if (!(flags & win::AW_CENTER) || !x_.exists(window)) return 0;
    processEvents();
    const PumpOnExit pump{*this};
    gauge_.animationStep = animationStep;
    gauge_.showWindow = showWindow;
    return gauge_.reveal(window, time) ? 1 : 0;
}

win::LONG X11Windows::GetWindowLongA(win::HWND window, int index) {
    if (index != win::GWL_EXSTYLE || !window) return 0;
    return gauge_.exStyle(window);
}

win::LONG X11Windows::SetWindowLongA(win::HWND window, int index, win::LONG newLong) {
    if (index != win::GWL_EXSTYLE || !window) return 0;
    return gauge_.setExStyle(window, newLong);
}

win::BOOL X11Windows::SetLayeredWindowAttributes(win::HWND window, win::DWORD, win::BYTE alpha,
                                                 win::DWORD flags) {
    // As on Windows: only a layered window takes an alpha.
    if (!(GetWindowLongA(window, win::GWL_EXSTYLE) & win::WS_EX_LAYERED) ||
        !(flags & win::LWA_ALPHA) || !x_.exists(window))
        return 0;
    processEvents();
    const PumpOnExit pump{*this};
    gauge_.setAlpha(window, alpha);
    return 1;
}

} // namespace sorvane::linuxos
