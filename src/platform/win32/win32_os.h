// The twelve Windows calls, each forwarded as one direct call to USER32 or kernel32 (the ANSI
// variants where a call has two).
//
//  [X] GetSystemPowerStatus, Beep, GetAsyncKeyState: kernel32 / USER32 as they are.
//  [X] FindWindowA, SetWindowPos, ShowWindow, ReleaseCapture, SendMessageA.
//  [X] AnimateWindow: the program holds its handlers off while it runs (the dispatcher's rule);
//      Wine's version shows the window at once.
//  [X] GetWindowLongA, SetWindowLongA, SetLayeredWindowAttributes.
#pragma once

#include "platform/os_services.h"

#include <functional>

namespace sorvane::win32 {

class Win32Os final : public win::PowerStatus,
                      public win::Speaker,
                      public win::Keyboard,
                      public win::WindowManager {
  public:
    // Out of line: the implicit one, emitted in every user, collides with itself under mingw's
    // link-time optimisation.
    ~Win32Os() override;
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

    // Called after a window is put on top of the topmost ones (a recall), so that a window the
    // monitors left out of reach comes back where it can be seen.
    std::function<void(win::HWND)> raisedOnTop;
};

} // namespace sorvane::win32
