// One gauge per X screen, on an X selection.
//
//  [X] The claim is checked and taken under a server grab, so two starts at the same instant
//      end with one owner; then the ownership is read back.
//  [X] A crashed gauge leaves no stale owner: the server drops the selection when its owner's
//      window goes with the connection. An owner that vanishes between being found and being
//      asked makes the later start claim again.
//  [X] The request is a client message to the owner's window, sent to the client that made it;
//      the owner answers at once. No answer within 3 s from an owner that still holds the
//      selection: the later start leaves it be and exits (one gauge, even a hung one).
//  [~] Per X screen: two gauges on two displays (or under two XWayland servers) are two desks.
#include "platform/linux/x11_instance.h"

#include "platform/linux/x_errors.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <poll.h>

#include <chrono>
#include <string>

namespace sorvane::linuxos {

X11Instance::X11Instance(const std::string& displayName) {
    display_ = XOpenDisplay(displayName.empty() ? nullptr : displayName.c_str());
    if (!display_) return;
    tolerateErrorsOn(display_);
    const std::string name = "_SORVANE_GAUGE_S" + std::to_string(DefaultScreen(display_));
    selection_ = XInternAtom(display_, name.c_str(), False);
    request_ = XInternAtom(display_, "_SORVANE_RECALL", False);
    answer_ = XInternAtom(display_, "_SORVANE_RECALLED", False);
    // Never mapped; only its life and its messages count.
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    window_ = XCreateWindow(display_, DefaultRootWindow(display_), -10, -10, 1, 1, 0, 0, InputOnly,
                            CopyFromParent, CWOverrideRedirect, &attributes);
    XStoreName(display_, window_, "sorvane-instance");
}

X11Instance::~X11Instance() {
    if (!display_) return;
    XCloseDisplay(display_);
    stopToleratingErrorsOn(display_);
}

X11Instance::Claim X11Instance::claim() {
    if (!display_) return Claim::Failed;
    // An owner may vanish between being found and being asked, or have died an instant ago
    // with the server not yet aware: it never answers, and the selection comes free.
    for (int attempt = 0; attempt < 5; ++attempt) {
        XGrabServer(display_);
        const Window owner = XGetSelectionOwner(display_, selection_);
        if (owner == None) XSetSelectionOwner(display_, selection_, window_, CurrentTime);
        XUngrabServer(display_);
        XSync(display_, False);
        if (owner == None) {
            if (XGetSelectionOwner(display_, selection_) == window_) return Claim::Ours;
            continue;
        }
        XEvent e{};
        e.xclient.type = ClientMessage;
        e.xclient.window = owner;
        e.xclient.message_type = request_;
        e.xclient.format = 32;
        e.xclient.data.l[0] = static_cast<long>(window_); // where the answer goes
        const unsigned long errors = ignoredXErrors();
        // No event mask: delivered to the client that made the window, the running gauge.
        XSendEvent(display_, owner, False, NoEventMask, &e);
        XSync(display_, False);
        if (ignoredXErrors() != errors) continue;
        if (awaitAnswer(owner)) return Claim::Recalled;
        // Still owned but silent (a gauge that hangs): leave it be rather than start another.
        if (XGetSelectionOwner(display_, selection_) == owner) return Claim::Unanswered;
    }
    return Claim::Failed;
}

bool X11Instance::awaitAnswer(unsigned long owner) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (std::chrono::steady_clock::now() < deadline) {
        while (XPending(display_)) {
            XEvent e;
            XNextEvent(display_, &e);
            if (e.type == ClientMessage && e.xclient.window == window_ &&
                e.xclient.message_type == answer_)
                return true;
        }
        if (XGetSelectionOwner(display_, selection_) != owner) return false;
        pollfd p{ConnectionNumber(display_), POLLIN, 0};
        poll(&p, 1, 50);
    }
    return false;
}

int X11Instance::connectionFd() const {
    return display_ ? ConnectionNumber(display_) : -1;
}

void X11Instance::pump() {
    if (!display_) return;
    while (XPending(display_)) {
        XEvent e;
        XNextEvent(display_, &e);
        if (e.type == ClientMessage && e.xclient.window == window_ &&
            e.xclient.message_type == request_) {
            // Answered first: the later start waits for it to know this gauge lives.
            XEvent answer{};
            answer.xclient.type = ClientMessage;
            answer.xclient.window = static_cast<Window>(e.xclient.data.l[0]);
            answer.xclient.message_type = answer_;
            answer.xclient.format = 32;
            XSendEvent(display_, answer.xclient.window, False, NoEventMask, &answer);
            XFlush(display_);
            if (onRecall) onRecall();
        } else if (e.type == SelectionRequest) {
            // Nothing to convert: refuse, so a curious requestor does not wait forever.
            XEvent reply{};
            reply.xselection.type = SelectionNotify;
            reply.xselection.requestor = e.xselectionrequest.requestor;
            reply.xselection.selection = e.xselectionrequest.selection;
            reply.xselection.target = e.xselectionrequest.target;
            reply.xselection.property = None;
            reply.xselection.time = e.xselectionrequest.time;
            XSendEvent(display_, e.xselectionrequest.requestor, False, NoEventMask, &reply);
            XFlush(display_);
        }
    }
}

} // namespace sorvane::linuxos
