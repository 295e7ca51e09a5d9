// The option and recall hot keys on X11.
//
//   [~] GetAsyncKeyState(VK_F5..VK_F8)   XQueryKeymap's "down now", OR a latch set by XInput2
//       raw key presses selected on the root for all master devices, on a connection of our own
//       drained at every query; the query clears that key's latch. Polling the keymap alone
//       misses most taps between two polls. Raw events reach us even while another client
//       grabs the keyboard. The server sends every key of the session: each is compared with
//       the four keycodes at once and dropped; nothing else is kept or written anywhere.
//   Gaps: without XInput 2.1 only "down now" is seen.
//   Wayland/XWayland: raw keys are seen only while an X11 window has the focus; where the
//       desktop offers global shortcuts, their presses and releases come in through feed().
#include "platform/linux/x_keys.h"

#include "platform/linux/x_errors.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <X11/keysym.h>

namespace sorvane::linuxos {
namespace {

int slotOf(int vKey) {
    if (vKey >= win::VK_F5 && vKey <= win::VK_F8) return vKey - win::VK_F5;
    return -1;
}

} // namespace

XKeys::XKeys(const std::string& displayName) {
    display_ = XOpenDisplay(displayName.empty() ? nullptr : displayName.c_str());
    if (!display_) return;
    tolerateErrorsOn(display_);
    refreshKeycodes();
    int event = 0, error = 0;
    if (!XQueryExtension(display_, "XInputExtension", &xiOpcode_, &event, &error)) {
        xiOpcode_ = -1;
        return;
    }
    // 2.1 and later deliver raw events to the root whatever grab is active.
    int major = 2, minor = 2;
    if (XIQueryVersion(display_, &major, &minor) != Success || (major == 2 && minor < 1)) {
        xiOpcode_ = -1;
        return;
    }
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(bits, XI_RawKeyPress);
    XIEventMask mask{XIAllMasterDevices, sizeof bits, bits};
    XISelectEvents(display_, DefaultRootWindow(display_), &mask, 1);
    XSync(display_, False);
}

XKeys::~XKeys() {
    if (!display_) return;
    XCloseDisplay(display_);
    stopToleratingErrorsOn(display_);
}

int XKeys::connectionFd() const {
    return display_ ? ConnectionNumber(display_) : -1;
}

void XKeys::refreshKeycodes() {
    const KeySym syms[4] = {XK_F5, XK_F6, XK_F7, XK_F8};
    for (int i = 0; i < 4; ++i)
        keycodes_[i] = XKeysymToKeycode(display_, syms[i]);
}

void XKeys::drain() {
    // The round trip makes every key event the server produced before this query ours to read.
    XSync(display_, False);
    readQueued();
}

// Leaves Xlib's queue empty, so a press still to come makes the descriptor readable.
void XKeys::readQueued() {
    while (XPending(display_)) {
        XEvent e;
        XNextEvent(display_, &e);
        if (e.type == MappingNotify) {
            XRefreshKeyboardMapping(&e.xmapping);
            refreshKeycodes();
            continue;
        }
        if (e.type != GenericEvent || e.xcookie.extension != xiOpcode_) continue;
        if (!XGetEventData(display_, &e.xcookie)) continue;
        int pressed = -1;
        if (e.xcookie.evtype == XI_RawKeyPress) {
            const auto* raw = static_cast<const XIRawEvent*>(e.xcookie.data);
            for (int i = 0; i < 4; ++i)
                if (raw->detail != 0 && raw->detail == keycodes_[i]) {
                    latched_[i] = true;
                    // A held key is polled on its beat; repeats (the server sends none here,
                    // but the flag exists) must not hurry it.
                    if (!(raw->flags & XIKeyRepeat)) pressed = win::VK_F5 + i;
                }
        }
        XFreeEventData(display_, &e.xcookie);
        if (pressed >= 0 && onPress) onPress(pressed);
    }
}

void XKeys::pump() {
    if (display_) readQueued();
}

void XKeys::feed(int vKey, bool isDown) {
    const int slot = slotOf(vKey);
    if (slot < 0) return;
    const bool wasDown = fedDown_[slot];
    fedDown_[slot] = isDown;
    if (!isDown || wasDown) return;
    latched_[slot] = true;
    if (onPress) onPress(vKey);
}

bool XKeys::down(int slot) {
    if (fedDown_[slot]) return true;
    char keys[32] = {};
    XQueryKeymap(display_, keys);
    const unsigned code = keycodes_[slot];
    return code != 0 && (keys[code / 8] & (1 << (code % 8))) != 0;
}

bool XKeys::keyActive(int vKey) {
    const int slot = slotOf(vKey);
    if (slot < 0 || !display_) return false;
    // The keymap's reply comes after every press made before it: read them too.
    const bool isDown = down(slot);
    readQueued();
    return isDown || latched_[slot];
}

win::SHORT XKeys::GetAsyncKeyState(int vKey) {
    const int slot = slotOf(vKey);
    if (slot < 0 || !display_) return 0;
    // Keymap first, then the events: the press of a key the keymap shows down reached us before
    // the keymap's reply, so it is latched and read in this query. Draining first let a press
    // land between the two, read "down" now and "pressed" again at the next query: two toggles.
    const bool isDown = down(slot);
    drain();
    const bool pressed = latched_[slot];
    latched_[slot] = false;
    return static_cast<win::SHORT>((isDown ? 0x8000 : 0) | (pressed ? 1 : 0));
}

} // namespace sorvane::linuxos
