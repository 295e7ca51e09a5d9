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

// Asked on Qt's own connection: replies to our requests come back to us, its events to Qt.
int serverButtons() {
    auto* c = qtConnection();
    if (!c) return 0;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    xcb_query_pointer_reply_t* r = xcb_query_pointer_reply(c, xcb_query_pointer(c, root), nullptr);
    if (!r) return 0;
    int buttons = 0;
    if (r->mask & XCB_BUTTON_MASK_1) buttons |= 1;
    if (r->mask & XCB_BUTTON_MASK_3) buttons |= 2;
    if (r->mask & XCB_BUTTON_MASK_2) buttons |= 4;
    std::free(r);
    return buttons;
}

void syncQtConnection() {
    if (auto* c = qtConnection())
        std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
}

void awaitSize(unsigned long window, int width, int height) {
    auto* c = qtConnection();
    if (!c || !window) return;
    for (int attempt = 0; attempt < 100; ++attempt) {
        xcb_get_geometry_reply_t* g = xcb_get_geometry_reply(
            c, xcb_get_geometry(c, static_cast<xcb_drawable_t>(window)), nullptr);
        if (!g) return;
        const bool done = g->width == width && g->height == height;
        std::free(g);
        if (done) return;
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
