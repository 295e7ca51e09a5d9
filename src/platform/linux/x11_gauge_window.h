// The program's own windows on X11: kept on top, made transparent, revealed and moved.
#pragma once

#include "platform/linux/x11_connection.h"
#include "platform/os_services.h"

#include <functional>
#include <map>
#include <set>

namespace sorvane::linuxos {

class X11GaugeWindow {
  public:
    explicit X11GaugeWindow(XConnection& x);

    // Follows the compositor's arrival and departure and our windows being mapped again.
    void processEvents();
    void addOwnWindow(unsigned long window);
    void removeOwnWindow(unsigned long window);
    bool isOwn(unsigned long window) const { return own_.count(window) != 0; }
    void setSkipTaskbar(unsigned long window);
    bool compositorRunning() const { return compositor_; }

    // Asks for _NET_WM_STATE_ABOVE now and after every map to come.
    void keepOnTop(unsigned long window);
    // Asks it again if the window is one kept on top (a shown window lost it on unmap).
    void reassertOnTop(unsigned long window);
    // Moves and resizes; a non-positive size leaves the size alone.
    void place(unsigned long window, bool move, int x, int y, bool size, int cx, int cy);
    // The window manager's interactive move, only while the server says button 1 is down.
    bool startMove(unsigned long window);
    bool reveal(unsigned long window, unsigned time);
    win::LONG exStyle(unsigned long window) const;
    win::LONG setExStyle(unsigned long window, win::LONG style);
    void setAlpha(unsigned long window, win::BYTE alpha);

    std::function<void()> animationStep;
    std::function<void(unsigned long)> showWindow;

  private:
    void askTopmost(unsigned long window);
    void applyOpacity(unsigned long window);
    bool checkCompositor();

    XConnection& x_;
    int xfixesEvent_ = -1;
    bool compositor_ = false;
    std::set<unsigned long> own_;
    std::set<unsigned long> topmost_;
    std::map<unsigned long, win::LONG> exStyle_;
    std::map<unsigned long, win::BYTE> alpha_;
    std::set<unsigned long> animating_;
};

} // namespace sorvane::linuxos
