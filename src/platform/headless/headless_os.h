// The recording OS of the headless backend. Every call is kept with its arguments and the
// virtual time; the power status, the keys and the shell windows are set by the test face.
//
// Implemented: all twelve calls.
//  [X] GetSystemPowerStatus: returns the scripted record.
//  [X] Beep: recorded as (frequency, duration, start); the UI thread is busy for the duration.
//  [X] GetAsyncKeyState: 0x8000 while down, | 1 when pressed since the key's previous query.
//  [X] FindWindowA, SetWindowPos, ShowWindow: over a table of shell and program windows.
//  [X] AnimateWindow: the window shows; the UI thread is busy for the time given.
//  [X] GetWindowLongA, SetWindowLongA, SetLayeredWindowAttributes: per-window style and alpha.
//  [X] ReleaseCapture, SendMessageA: recorded; a caption press starts a move.
#pragma once

#include "platform/forms_runtime.h"
#include "platform/os_services.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace sorvane::headless {

using Millis = std::chrono::milliseconds;

struct OsCall {
    Millis at;
    std::string text; // e.g. SetWindowPos(0x10001, -1, 0, 0, 0, 0, 0x3)
    bool operator==(const OsCall&) const = default;
};

struct BeepRecord {
    win::DWORD frequency;
    win::DWORD duration;
    Millis start;
    bool operator==(const BeepRecord&) const = default;
};

struct WindowState {
    std::string className;
    std::string title;
    bool shell = false; // a window of another program (taskbar, desktop)
    bool visible = false;
    win::LONG exStyle = 0;
    std::optional<win::BYTE> alpha; // last SetLayeredWindowAttributes on a layered window
    bool topmost = false;
    int moves = 0; // interactive moves started
};

class HeadlessOs final : public win::PowerStatus,
                         public win::Speaker,
                         public win::Keyboard,
                         public win::WindowManager,
                         public platform::KeyWatch {
  public:
    // `now` reads the virtual clock; `busy` lets virtual time pass with the UI thread held.
    HeadlessOs(std::function<Millis()> now, std::function<void(Millis)> busy);

    // --- the twelve calls ---
    win::BOOL GetSystemPowerStatus(win::SYSTEM_POWER_STATUS& status) override;
    win::BOOL Beep(win::DWORD frequency, win::DWORD duration) override;
    win::SHORT GetAsyncKeyState(int vKey) override;
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

    // --- for an idle-aware runtime ---
    bool keyActive(int vKey) override { return down_.count(vKey) || latched_.count(vKey); }
    // Hears each key press (keyDown, tapKey), as a raw-event connection would.
    void onKeyPressed(std::function<void(int)> listener) { keyPressed_ = std::move(listener); }

    // --- the test face ---
    void setPowerStatus(const win::SYSTEM_POWER_STATUS& status) { power_ = status; }
    void keyDown(int vKey);
    void keyUp(int vKey);
    void tapKey(int vKey); // pressed and released between two queries
    win::HWND addShellWindow(std::string className, std::string title, bool visible = true);
    void removeWindow(win::HWND window) { windows_.erase(window); }
    win::HWND addProgramWindow(std::string name); // called by the runtime
    void setProgramWindowVisible(win::HWND window, bool visible);

    // Called after each call is recorded: a test looks at the program's state at that moment.
    // Long simulations switch the record off: it would grow with every poll.
    void setRecording(bool on) { recording_ = on; }
    void watchCalls(std::function<void(const OsCall&)> watcher) { watcher_ = std::move(watcher); }

    const WindowState* window(win::HWND h) const;
    const std::vector<OsCall>& calls() const { return calls_; }
    const std::vector<BeepRecord>& beeps() const { return beeps_; }
    void clearRecords();

  private:
    void record(std::string text);
    bool recording_ = true;
    WindowState* find(win::HWND h);

    std::function<Millis()> now_;
    std::function<void(Millis)> busy_;
    win::SYSTEM_POWER_STATUS power_{};
    std::set<int> down_;
    std::set<int> latched_;
    std::map<win::HWND, WindowState> windows_;
    win::HWND nextShell_ = 0x20001;
    win::HWND nextProgram_ = 0x10001;
    std::vector<OsCall> calls_;
    std::vector<BeepRecord> beeps_;
    std::function<void(const OsCall&)> watcher_;
    std::function<void(int)> keyPressed_;
};

std::string hwndText(win::HWND h);

} // namespace sorvane::headless
