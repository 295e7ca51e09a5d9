#include "platform/win32/win32_os.h"

// After our headers: <windows.h> turns most of our constant names into macros.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace sorvane::win32 {

namespace {
::HWND native(win::HWND h) {
    return reinterpret_cast<::HWND>(h);
}
win::HWND portable(::HWND h) {
    return reinterpret_cast<win::HWND>(h);
}

#ifdef SORVANE_POWER_FAULTS
// The Wine tests' copy of the program only (never shipped): while the file named by
// SORVANE_POWER_FAILS_IF exists, the call fails the way a failing system call does, writing
// nothing. The system is still asked, into a record nobody reads, so a trace keeps the
// one-a-second rhythm of the readings.
BOOL systemPowerStatus(::SYSTEM_POWER_STATUS* s) {
    char flag[MAX_PATH] = {};
    const DWORD n = GetEnvironmentVariableA("SORVANE_POWER_FAILS_IF", flag, MAX_PATH);
    if (n == 0 || n >= MAX_PATH || GetFileAttributesA(flag) == INVALID_FILE_ATTRIBUTES)
        return ::GetSystemPowerStatus(s);
    ::SYSTEM_POWER_STATUS lost{};
    ::GetSystemPowerStatus(&lost);
    SetLastError(ERROR_GEN_FAILURE);
    return FALSE;
}
#else
BOOL systemPowerStatus(::SYSTEM_POWER_STATUS* s) {
    return ::GetSystemPowerStatus(s);
}
#endif
} // namespace

win::BOOL Win32Os::GetSystemPowerStatus(win::SYSTEM_POWER_STATUS& status) {
    // The system writes into a copy of the caller's record, not a blank one: a call that fails
    // without writing then leaves the last reading in place, instead of a zero record that
    // reads as an empty battery (blink, beep, a hidden gauge recalled).
    ::SYSTEM_POWER_STATUS s{};
    s.ACLineStatus = status.ACLineStatus;
    s.BatteryFlag = status.BatteryFlag;
    s.BatteryLifePercent = status.BatteryLifePercent;
    s.Reserved1 = status.Reserved1;
    s.BatteryLifeTime = static_cast<DWORD>(status.BatteryLifeTime);
    s.BatteryFullLifeTime = static_cast<DWORD>(status.BatteryFullLifeTime);
    const BOOL ok = systemPowerStatus(&s);
    status.ACLineStatus = s.ACLineStatus;
    status.BatteryFlag = s.BatteryFlag;
    status.BatteryLifePercent = s.BatteryLifePercent;
    status.Reserved1 = s.Reserved1;
    // DWORD on the system side; -1 (unknown) arrives as 0xFFFFFFFF and must stay -1.
    status.BatteryLifeTime = static_cast<win::LONG>(s.BatteryLifeTime);
    status.BatteryFullLifeTime = static_cast<win::LONG>(s.BatteryFullLifeTime);
    return ok;
}

Win32Os::~Win32Os() = default;

win::BOOL Win32Os::Beep(win::DWORD frequency, win::DWORD duration) {
    return ::Beep(frequency, duration);
}

win::SHORT Win32Os::GetAsyncKeyState(int vKey) {
    return ::GetAsyncKeyState(vKey);
}

win::HWND Win32Os::FindWindowA(const char* className, const char* windowName) {
    return portable(::FindWindowA(className, windowName));
}

win::BOOL Win32Os::SetWindowPos(win::HWND window, win::HWND insertAfter, int x, int y, int cx,
                                int cy, win::UINT flags) {
    const win::BOOL done = ::SetWindowPos(native(window), native(insertAfter), x, y, cx, cy, flags);
    if (done && native(insertAfter) == HWND_TOPMOST && raisedOnTop) raisedOnTop(window);
    return done;
}

win::BOOL Win32Os::ShowWindow(win::HWND window, int command) {
    return ::ShowWindow(native(window), command);
}

win::BOOL Win32Os::ReleaseCapture() {
    return ::ReleaseCapture();
}

win::LRESULT Win32Os::SendMessageA(win::HWND window, win::UINT message, win::WPARAM wParam,
                                   win::LPARAM lParam) {
    return ::SendMessageA(native(window), message, wParam, lParam);
}

win::BOOL Win32Os::AnimateWindow(win::HWND window, win::DWORD time, win::DWORD flags) {
    return ::AnimateWindow(native(window), time, flags);
}

win::LONG Win32Os::GetWindowLongA(win::HWND window, int index) {
    return ::GetWindowLongA(native(window), index);
}

win::LONG Win32Os::SetWindowLongA(win::HWND window, int index, win::LONG newLong) {
    return ::SetWindowLongA(native(window), index, newLong);
}

win::BOOL Win32Os::SetLayeredWindowAttributes(win::HWND window, win::DWORD colourKey,
                                              win::BYTE alpha, win::DWORD flags) {
    return ::SetLayeredWindowAttributes(native(window), colourKey, alpha, flags);
}

} // namespace sorvane::win32
