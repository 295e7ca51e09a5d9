// Hand-built EWMH requests rather than libxcb-ewmh: the adapters speak Xlib throughout (XInput2,
// Shape, XFixes), the program needs one state change and two client messages, and a second
// protocol library would add an API and a package for a dozen lines.
#include "platform/linux/x11_connection.h"

#include "platform/linux/x_errors.h"

#include <X11/Xatom.h>
#include <X11/Xlib-xcb.h>
#include <X11/Xlib.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <thread>

namespace sorvane::linuxos {

RawProperty::RawProperty(_XDisplay* d, unsigned long w, unsigned long property) {
    unsigned char* data = nullptr;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    // Enough for any sane list; a longer one is reported through bytesAfter and refused.
    if (XGetWindowProperty(d, w, property, 0, kMaxPropertyItems, False, AnyPropertyType, &type,
                           &format, &count, &after, &data) != Success) {
        data = nullptr;
        type = None;
    }
    data_ = data;
    value_.type = type;
    value_.format = format;
    value_.count = count;
    value_.bytesAfter = after;
    std::size_t size = 0;
    if (data) {
        if (format == 32)
            size = count * sizeof(long);
        else if (format == 16)
            size = count * sizeof(short);
        else if (format == 8)
            size = count;
    }
    value_.bytes = std::span<const unsigned char>(data, size);
}

RawProperty::~RawProperty() {
    if (data_) XFree(data_);
}

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (condition()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

XConnection::XConnection(const std::string& displayName) {
    display_ = XOpenDisplay(displayName.empty() ? nullptr : displayName.c_str());
    if (!display_) return;
    tolerateErrorsOn(display_);
    screen_ = DefaultScreen(display_);
    root_ = RootWindow(display_, screen_);
    resourceMask_ = xcb_get_setup(XGetXCBConnection(display_))->resource_id_mask;
}

XConnection::~XConnection() {
    if (!display_) return;
    XCloseDisplay(display_);
    stopToleratingErrorsOn(display_);
}

int XConnection::fd() const {
    return display_ ? ConnectionNumber(display_) : -1;
}

unsigned long XConnection::atom(const char* name) {
    auto it = atoms_.find(name);
    if (it != atoms_.end()) return it->second;
    const Atom a = XInternAtom(display_, name, False);
    atoms_[name] = a;
    return a;
}

bool XConnection::exists(unsigned long window) {
    if (!display_ || !window) return false;
    XWindowAttributes a;
    return XGetWindowAttributes(display_, window, &a) != 0;
}

bool XConnection::mapped(unsigned long window) {
    XWindowAttributes a;
    return XGetWindowAttributes(display_, window, &a) && a.map_state != IsUnmapped;
}

unsigned long XConnection::parentOf(unsigned long window) {
    Window rootReturn = None, parent = None, *children = nullptr;
    unsigned n = 0;
    if (!XQueryTree(display_, window, &rootReturn, &parent, &children, &n)) return None;
    if (children) XFree(children);
    return parent;
}

void XConnection::sync() {
    XSync(display_, False);
}

std::vector<unsigned long> XConnection::atoms(unsigned long window, const char* property) {
    RawProperty p(display_, window, atom(property));
    return parseAtomList(p.value(), XA_ATOM).value_or(std::vector<unsigned long>{});
}

void XConnection::setAtoms(unsigned long window, const char* property,
                           const std::vector<unsigned long>& list) {
    const std::vector<long> longs(list.begin(), list.end());
    XChangeProperty(display_, window, atom(property), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(longs.data()),
                    static_cast<int>(longs.size()));
}

void XConnection::addState(unsigned long window, const char* state) {
    const unsigned long a = atom(state);
    if (!mapped(window)) {
        auto list = atoms(window, "_NET_WM_STATE");
        if (std::find(list.begin(), list.end(), a) == list.end()) list.push_back(a);
        setAtoms(window, "_NET_WM_STATE", list);
        return;
    }
    // 1: _NET_WM_STATE_ADD; the last 1: asked by an application.
    sendToRoot(window, "_NET_WM_STATE", {1, static_cast<long>(a), 0, 1});
}

void XConnection::sendToRoot(unsigned long window, const char* messageType,
                             std::vector<long> data) {
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = window;
    e.xclient.message_type = atom(messageType);
    e.xclient.format = 32;
    for (std::size_t i = 0; i < data.size() && i < 5; ++i)
        e.xclient.data.l[i] = data[i];
    XSendEvent(display_, root_, False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
}

} // namespace sorvane::linuxos
