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
} // namespace

win::BOOL Win32Os::GetSystemPowerStatus(win::SYSTEM_POWER_STATUS& status) {
    ::SYSTEM_POWER_STATUS s{};
    const BOOL ok = ::GetSystemPowerStatus(&s);
    status.ACLineStatus = s.ACLineStatus;
    status.BatteryFlag = s.BatteryFlag;
    status.BatteryLifePercent = s.BatteryLifePercent;
    // DWORD on the system side; -1 (unknown) arrives as 0xFFFFFFFF and must stay -1.
    status.BatteryLifeTime = static_cast<win::LONG>(s.BatteryLifeTime);
    status.BatteryFullLifeTime = static_cast<win::LONG>(s.BatteryFullLifeTime);
    return ok;
}

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
    return ::SetWindowPos(native(window), native(insertAfter), x, y, cx, cy, flags);
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
