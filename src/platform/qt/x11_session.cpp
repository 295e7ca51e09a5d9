#include "platform/qt/x11_session.h"

#include <QGuiApplication>
#include <QString>
#include <QtGlobal>

#include <X11/Xlib.h>
#include <xcb/xcb.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace sorvane::qt {

namespace {

Display* pointerDisplay = nullptr;
std::atomic<bool> leaving{false};

[[noreturn]] void lostDisplay() {
    if (!leaving.exchange(true)) {
        const char* name = std::getenv("DISPLAY");
        std::fprintf(stderr, "sorvane: lost the connection to the X display %s; exiting.\n",
                     name ? name : "");
        std::fflush(stderr);
    }
    _exit(1);
}

int onXlibIoError(Display*) {
    lostDisplay();
}

QtMessageHandler qtDefault = nullptr;

xcb_connection_t* qtConnection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

// Qt's xcb plugin reports a broken connection with warnings (failing requests first, then the
// break itself) and exits through exit(), which runs static destructors against a dead
// connection. Any warning from a dead connection means the display is gone: leave cleanly.
void onQtMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    auto* c = qtConnection();
    if ((c && xcb_connection_has_error(c)) || message.contains(QLatin1String("X11 connection")))
        lostDisplay();
    if (qtDefault) qtDefault(type, context, message);
}

} // namespace

std::string displayProblem() {
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name)
        return "sorvane: no X display (DISPLAY is not set). Start it from the menu or a terminal "
               "of a desktop session, or name the display: DISPLAY=:0 sorvane";
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    const bool failed = xcb_connection_has_error(c) != 0;
    xcb_disconnect(c);
    if (failed)
        return std::string("sorvane: cannot open the X display \"") + name +
               "\". Start it from the menu or a terminal of a desktop session, or name a display "
               "you may use: DISPLAY=:0 sorvane";
    return {};
}

void exitOnLostDisplay() {
    XSetIOErrorHandler(onXlibIoError);
    qtDefault = qInstallMessageHandler(onQtMessage);
}

int serverButtons() {
    if (!pointerDisplay) pointerDisplay = XOpenDisplay(nullptr);
    if (!pointerDisplay) return 0;
    Window root = 0, child = 0;
    int rx = 0, ry = 0, wx = 0, wy = 0;
    unsigned mask = 0;
    XQueryPointer(pointerDisplay, DefaultRootWindow(pointerDisplay), &root, &child, &rx, &ry, &wx,
                  &wy, &mask);
    int buttons = 0;
    if (mask & Button1Mask) buttons |= 1;
    if (mask & Button3Mask) buttons |= 2;
    if (mask & Button2Mask) buttons |= 4;
    return buttons;
}

void syncQtConnection() {
    if (auto* c = qtConnection())
        std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
}

void awaitSize(unsigned long window, int width, int height) {
    syncQtConnection();
    if (!pointerDisplay) pointerDisplay = XOpenDisplay(nullptr);
    if (!pointerDisplay || !window) return;
    for (int attempt = 0; attempt < 100; ++attempt) {
        Window root = 0;
        int x = 0, y = 0;
        unsigned w = 0, h = 0, border = 0, depth = 0;
        if (!XGetGeometry(pointerDisplay, window, &root, &x, &y, &w, &h, &border, &depth)) return;
        if (static_cast<int>(w) == width && static_cast<int>(h) == height) return;
        usleep(2000);
    }
}

void releaseQtPointerGrab() {
    if (auto* c = qtConnection()) {
        xcb_ungrab_pointer(c, XCB_CURRENT_TIME);
        xcb_flush(c);
    }
}

} // namespace sorvane::qt
