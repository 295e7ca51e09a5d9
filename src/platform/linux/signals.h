// Endings the program's own design does not describe: SIGTERM, SIGINT and SIGHUP (a session
// that ends, Ctrl+C, kill). The handler only wakes the event loop through a pipe; the loop then
// shows again what this run hid and ends the process by the same signal.
#pragma once

#include "platform/os_services.h"

#include <functional>
#include <vector>

namespace sorvane::linuxos {

// Installs the handlers (once per process). A second of these signals while the first is being
// handled ends the process at once, by that signal.
void watchEndingSignals();
// Readable once a signal has come: the event loop watches it. -1 before watchEndingSignals().
int endingSignalFd();
// The signal that came (0 when none).
int endingSignal();
// Ends the process by that signal, as if it had not been caught: the parent (a shell, a session
// manager) sees what it sent.
[[noreturn]] void endBySignal(int signal);

// The window services, with a note of the shell windows this run hid and has not shown since,
// so that an ending by signal can show them again. Every call goes through to `windows`.
class HiddenByThisRun final : public win::WindowManager {
  public:
    explicit HiddenByThisRun(win::WindowManager& windows) : windows_(windows) {}
    // Shows them again, the desktop first, as the gauge's refresh does.
    void showWhatThisRunHid();
    // Called after the program asks for one of its windows on top (shown, recalled, F8): the
    // runtime then makes sure the user can reach it.
    std::function<void(win::HWND)> raisedOnTop;

    win::HWND FindWindowA(const char* className, const char* windowName) override {
        return windows_.FindWindowA(className, windowName);
    }
    win::BOOL SetWindowPos(win::HWND window, win::HWND insertAfter, int x, int y, int cx, int cy,
                           win::UINT flags) override;
    win::BOOL ShowWindow(win::HWND window, int command) override;
    win::BOOL ReleaseCapture() override { return windows_.ReleaseCapture(); }
    win::LRESULT SendMessageA(win::HWND window, win::UINT message, win::WPARAM wParam,
                              win::LPARAM lParam) override {
        return windows_.SendMessageA(window, message, wParam, lParam);
    }
    win::BOOL AnimateWindow(win::HWND window, win::DWORD time, win::DWORD flags) override {
        return windows_.AnimateWindow(window, time, flags);
    }
    win::LONG GetWindowLongA(win::HWND window, int index) override {
        return windows_.GetWindowLongA(window, index);
    }
    win::LONG SetWindowLongA(win::HWND window, int index, win::LONG newLong) override {
        return windows_.SetWindowLongA(window, index, newLong);
    }
    win::BOOL SetLayeredWindowAttributes(win::HWND window, win::DWORD colourKey, win::BYTE alpha,
                                         win::DWORD flags) override {
        return windows_.SetLayeredWindowAttributes(window, colourKey, alpha, flags);
    }

  private:
    void note(win::HWND window, bool hidden, bool byShowWindow);

    win::WindowManager& windows_;
    struct Hidden {
        win::HWND window;
        bool byShowWindow; // the desktop (ShowWindow), else the taskbar (SetWindowPos)
    };
    std::vector<Hidden> hidden_;
};

} // namespace sorvane::linuxos
