// The operating-system calls the program makes, one operation per Windows call, in portable
// types. The Win32 backend forwards each to USER32/kernel32; the other backends give the same
// effect behind the same signature.
//
// <windows.h> defines most of these constants as macros: a Win32 source includes this header
// before it, and uses the system's own macros after it.
#pragma once

#include <cstdint>
#include <functional>

namespace sorvane::win {

using BYTE = std::uint8_t;
using SHORT = std::int16_t;
using LONG = std::int32_t;
using DWORD = std::uint32_t;
using UINT = std::uint32_t;
using BOOL = std::int32_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
// A window handle as an unsigned integer; 0 is "no window".
using HWND = std::uintptr_t;

struct SYSTEM_POWER_STATUS {
    BYTE ACLineStatus = 0;
    BYTE BatteryFlag = 0;
    BYTE BatteryLifePercent = 0;
    BYTE Reserved1 = 0;
    LONG BatteryLifeTime = 0;
    LONG BatteryFullLifeTime = 0;
};

inline constexpr HWND HWND_TOP = 0;
inline constexpr HWND HWND_TOPMOST = static_cast<HWND>(-1);

inline constexpr UINT SWP_NOSIZE = 0x0001;
inline constexpr UINT SWP_NOMOVE = 0x0002;
inline constexpr UINT SWP_SHOWWINDOW = 0x0040;
inline constexpr UINT SWP_HIDEWINDOW = 0x0080;

inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOW = 5;

inline constexpr UINT WM_NCLBUTTONDOWN = 0x00A1;
inline constexpr WPARAM HTCAPTION = 2;

inline constexpr DWORD AW_CENTER = 0x00000010;

inline constexpr int GWL_EXSTYLE = -20;
inline constexpr LONG WS_EX_LAYERED = 0x00080000;
inline constexpr DWORD LWA_ALPHA = 0x00000002;

inline constexpr int VK_F5 = 0x74;
inline constexpr int VK_F6 = 0x75;
inline constexpr int VK_F7 = 0x76;
inline constexpr int VK_F8 = 0x77;

inline constexpr int MB_OK = 0x00;
inline constexpr int MB_YESNO = 0x04;
inline constexpr int MB_ICONQUESTION = 0x20;
inline constexpr int MB_ICONINFORMATION = 0x40;
inline constexpr int IDOK = 1;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

inline constexpr BYTE BATTERY_PERCENTAGE_UNKNOWN = 255;
inline constexpr LONG BATTERY_LIFE_UNKNOWN = -1;

// Role interfaces: each backend implements or fakes them one by one.

class PowerStatus {
  public:
    virtual ~PowerStatus() = default;
    virtual BOOL GetSystemPowerStatus(SYSTEM_POWER_STATUS& status) = 0;
};

class Speaker {
  public:
    virtual ~Speaker() = default;
    // Returns when the tone has ended.
    virtual BOOL Beep(DWORD frequency, DWORD duration) = 0;
};

class Keyboard {
  public:
    virtual ~Keyboard() = default;
    // Non-zero when the key is down now or was pressed since the previous query of that key.
    virtual SHORT GetAsyncKeyState(int vKey) = 0;
};

class WindowManager {
  public:
    virtual ~WindowManager() = default;
    // className and windowName may each be null; an empty windowName is not a null one.
    virtual HWND FindWindowA(const char* className, const char* windowName) = 0;
    virtual BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy,
                              UINT flags) = 0;
    virtual BOOL ShowWindow(HWND window, int command) = 0;
    virtual BOOL ReleaseCapture() = 0;
    virtual LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) = 0;
    virtual BOOL AnimateWindow(HWND window, DWORD time, DWORD flags) = 0;
    virtual LONG GetWindowLongA(HWND window, int index) = 0;
    virtual LONG SetWindowLongA(HWND window, int index, LONG newLong) = 0;
    virtual BOOL SetLayeredWindowAttributes(HWND window, DWORD colourKey, BYTE alpha,
                                            DWORD flags) = 0;
};

// The twelve calls the program makes, gathered: what the program's code sees.
class OsServices final {
  public:
    OsServices(PowerStatus& power, Speaker& speaker, Keyboard& keyboard, WindowManager& windows)
        : power_(power), speaker_(speaker), keyboard_(keyboard), windows_(windows) {}

    BOOL GetSystemPowerStatus(SYSTEM_POWER_STATUS& s) { return power_.GetSystemPowerStatus(s); }
    BOOL Beep(DWORD frequency, DWORD duration) {
        if (beforeHold_) beforeHold_();
        return speaker_.Beep(frequency, duration);
    }
    SHORT GetAsyncKeyState(int vKey) { return keyboard_.GetAsyncKeyState(vKey); }
    HWND FindWindowA(const char* className, const char* windowName) {
        return windows_.FindWindowA(className, windowName);
    }
    BOOL SetWindowPos(HWND w, HWND after, int x, int y, int cx, int cy, UINT flags) {
        return windows_.SetWindowPos(w, after, x, y, cx, cy, flags);
    }
    BOOL ShowWindow(HWND w, int command) { return windows_.ShowWindow(w, command); }
    BOOL ReleaseCapture() { return windows_.ReleaseCapture(); }
    LRESULT SendMessageA(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
        return windows_.SendMessageA(w, message, wParam, lParam);
    }
    BOOL AnimateWindow(HWND w, DWORD time, DWORD flags) {
        return windows_.AnimateWindow(w, time, flags);
    }
    LONG GetWindowLongA(HWND w, int index) { return windows_.GetWindowLongA(w, index); }
    LONG SetWindowLongA(HWND w, int index, LONG value) {
        return windows_.SetWindowLongA(w, index, value);
    }
    BOOL SetLayeredWindowAttributes(HWND w, DWORD colourKey, BYTE alpha, DWORD flags) {
        return windows_.SetLayeredWindowAttributes(w, colourKey, alpha, flags);
    }

    // Runs just before a call that holds the user-interface thread (a tone), so that what the
    // running handler has changed on screen so far can be painted first.
    void setBeforeHold(std::function<void()> hook) { beforeHold_ = std::move(hook); }

  private:
    std::function<void()> beforeHold_;
    PowerStatus& power_;
    Speaker& speaker_;
    Keyboard& keyboard_;
    WindowManager& windows_;
};

} // namespace sorvane::win
