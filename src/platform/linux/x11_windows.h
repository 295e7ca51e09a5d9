// The window operations on X11, by X window id (an HWND is the X window id): one connection,
// shared by the shell's windows (panels, desktop) and the program's own (the gauge).
#pragma once

#include "platform/linux/x11_connection.h"
#include "platform/linux/x11_gauge_window.h"
#include "platform/linux/x11_shell_windows.h"
#include "platform/os_services.h"

#include <functional>
#include <string>

namespace sorvane::linuxos {

class X11Windows final : public win::WindowManager {
  public:
    // displayName empty: $DISPLAY. Without a display every call does nothing and returns 0.
    explicit X11Windows(const std::string& displayName = "");
    X11Windows(const X11Windows&) = delete;
    X11Windows& operator=(const X11Windows&) = delete;

    bool connected() const { return x_.display() != nullptr; }
    // The connection's descriptor: call processEvents() when it is readable. -1 without display.
    int connectionFd() const { return x_.fd(); }
    // Follows the compositor's arrival and departure and the program's windows being shown
    // again (re-applying opacity and topmost). Every operation also calls it first.
    void processEvents();

    // The forms runtime registers the program's own top-level windows (winId()).
    void addOwnWindow(win::HWND window);
    void removeOwnWindow(win::HWND window);
    // _NET_WM_STATE_SKIP_TASKBAR and _SKIP_PAGER; call before the window's first show.
    void setSkipTaskbar(win::HWND window);
    bool compositorRunning() const { return gauge_.compositorRunning(); }

    // Called between AnimateWindow's steps so the runtime can repaint; it must not run any
    // program handler. AnimateWindow flushes our connection after each step itself.
    std::function<void()> animationStep;
    // Called by AnimateWindow for a window not shown yet, so the runtime shows it its own way
    // (default: XMapWindow).
    std::function<void(win::HWND)> showWindow;
    // Called by ReleaseCapture: the runtime drops its pointer grab so the window manager can
    // take the pointer for the move.
    std::function<void()> releaseCapture;

    win::HWND FindWindowA(const char* className, const char* windowName) override;
    win::BOOL SetWindowPos(win::HWND window, win::HWND insertAfter, int x, int y, int cx, int cy,
                           win::UINT flags) override;
    win::BOOL ShowWindow(win::HWND window, int command) override;
    win::BOOL ReleaseCapture() override;
    win::LRESULT SendMessageA(win::HWND window, win::UINT message, win::WPARAM wParam,
                              win::LPARAM lParam) override;
    win::BOOL AnimateWindow(win::HWND window, win::DWORD time, win::DWORD flags) override;
    win::LONG GetWindowLongA(win::HWND window, int index) override;
    win::LONG SetWindowLongA(win::HWND window, int index, win::LONG newLong) override;
    win::BOOL SetLayeredWindowAttributes(win::HWND window, win::DWORD colourKey, win::BYTE alpha,
                                         win::DWORD flags) override;

  private:
    XConnection x_;
    X11GaugeWindow gauge_;
    X11ShellWindows shell_;
};

} // namespace sorvane::linuxos
