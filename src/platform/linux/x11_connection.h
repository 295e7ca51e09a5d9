// One Xlib connection shared by the shell-window and the gauge-window adapters, with the few
// EWMH requests both make: atoms, reading and writing atom lists, a window's _NET_WM_STATE (by
// property before the window is mapped, by client message after) and client messages to the
// root. Errors on it are tolerated: a foreign window may vanish between finding and acting.
#pragma once

#include "platform/linux/x11_properties.h"

#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <vector>

struct _XDisplay;

namespace sorvane::linuxos {

class XConnection {
  public:
    // displayName empty: $DISPLAY. display() is null when there is none.
    explicit XConnection(const std::string& displayName = "");
    ~XConnection();
    XConnection(const XConnection&) = delete;
    XConnection& operator=(const XConnection&) = delete;

    _XDisplay* display() const { return display_; }
    unsigned long root() const { return root_; }
    int screen() const { return screen_; }
    int fd() const;
    // The bits of an X id that the server hands each client as its own (its resource-id base).
    unsigned long resourceBaseOf(unsigned long id) const { return id & ~resourceMask_; }

    unsigned long atom(const char* name);
    bool exists(unsigned long window);
    bool mapped(unsigned long window);
    unsigned long parentOf(unsigned long window);
    void sync();

    // An ATOM[] property; empty when missing or malformed.
    std::vector<unsigned long> atoms(unsigned long window, const char* property);
    void setAtoms(unsigned long window, const char* property,
                  const std::vector<unsigned long>& list);
    // Adds a state atom to a window's _NET_WM_STATE: written on an unmapped window (the window
    // manager reads it at map), asked of the window manager on a mapped one.
    void addState(unsigned long window, const char* state);
    // An EWMH client message about `window`, sent to the root as the window manager expects.
    void sendToRoot(unsigned long window, const char* messageType, std::vector<long> data);

  private:
    _XDisplay* display_ = nullptr;
    unsigned long root_ = 0;
    int screen_ = 0;
    unsigned long resourceMask_ = 0;
    std::map<std::string, unsigned long> atoms_;
};

// One property as XGetWindowProperty hands it, freed on scope exit.
class RawProperty {
  public:
    RawProperty(_XDisplay* d, unsigned long window, unsigned long property);
    ~RawProperty();
    RawProperty(const RawProperty&) = delete;
    RawProperty& operator=(const RawProperty&) = delete;
    const PropertyValue& value() const { return value_; }

  private:
    unsigned char* data_ = nullptr;
    PropertyValue value_;
};

// Polls `condition` every 2 ms until it holds or `timeout` passes.
bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

} // namespace sorvane::linuxos
