// sorvane: the gauge on a Linux/X11 desktop (X11 or XWayland). No command line, no settings.
#include "forms/program.h"
#include "platform/linux/alsa_speaker.h"
#include "platform/linux/sysfs_power.h"
#include "platform/linux/x_keys.h"
#include "platform/qt/qt_runtime.h"
#include "platform/qt/x11_session.h"

#include <QApplication>

#include <cstdio>

namespace {

using namespace sorvane;

// A stand-in until the X11 window services are built in: the window calls do nothing, so the
// gauge shows at once, opaque.
struct NoWindowCalls final : win::WindowManager {
    win::HWND FindWindowA(const char*, const char*) override { return 0; }
    win::BOOL SetWindowPos(win::HWND, win::HWND, int, int, int, int, win::UINT) override {
        return 0;
    }
    win::BOOL ShowWindow(win::HWND, int) override { return 0; }
    win::BOOL ReleaseCapture() override { return 1; }
    win::LRESULT SendMessageA(win::HWND, win::UINT, win::WPARAM, win::LPARAM) override { return 0; }
    win::BOOL AnimateWindow(win::HWND, win::DWORD, win::DWORD) override { return 0; }
    win::LONG GetWindowLongA(win::HWND, int) override { return 0; }
    win::LONG SetWindowLongA(win::HWND, int, win::LONG) override { return 0; }
    win::BOOL SetLayeredWindowAttributes(win::HWND, win::DWORD, win::BYTE, win::DWORD) override {
        return 0;
    }
};

} // namespace

int main(int argc, char** argv) {
    // Qt's Wayland platform cannot place or stack a window; XWayland can.
    qputenv("QT_QPA_PLATFORM", "xcb");
    if (const std::string problem = qt::displayProblem(); !problem.empty()) {
        std::fprintf(stderr, "%s\n", problem.c_str());
        return 1;
    }
    qt::exitOnLostDisplay();

    QApplication app(argc, argv);
    QApplication::setApplicationName("Sorvane");
    QApplication::setDesktopFileName("io.github.sorvane.Sorvane");
    QApplication::setQuitOnLastWindowClosed(false);

    linuxos::SysfsPower power;
    linuxos::AlsaSpeaker speaker;
    linuxos::XKeys keys;
    NoWindowCalls windows;
    win::OsServices os(power, speaker, keys, windows);

    qt::QtRuntime rt;
    rt.buttonsDown = qt::serverButtons;
    Program program(os, rt);
    program.start();
    return QApplication::exec();
}
