// The desktop shell's windows on X11: the panels (the taskbar) and the desktop-icons window.
#pragma once

#include "platform/linux/x11_connection.h"

#include <functional>
#include <vector>

namespace sorvane::linuxos {

class X11ShellWindows {
  public:
    enum class Kind { Panel, Desktop };

    // isOwn: the program's own windows, never taken for a shell window.
    X11ShellWindows(XConnection& x, std::function<bool(unsigned long)> isOwn);

    // Every window of that kind on the screen now, shown or hidden by us, lowest id first.
    std::vector<unsigned long> find(Kind kind);
    // All the windows of the kind `window` belongs to (itself alone when it is none of them).
    std::vector<unsigned long> sameKindAs(unsigned long window);
    // Withdraws a window, keeping its state and place on the window itself; false when it is gone.
    bool hide(unsigned long window);
    // Maps it back with its state and place; false when it is gone.
    bool show(unsigned long window);

  private:
    bool waitWithdrawn(unsigned long window);
    bool isDesktop(unsigned long window);
    // The root's background picture while the desktop window is hidden: see the .cpp.
    void coverUnpaintableRootBackground();
    void uncoverRootBackground();
    bool paintableAsRoot(unsigned long pixmap);
    // The window manager's own bars: see the .cpp.
    std::vector<unsigned long> windowManagerBars();
    unsigned long topLevelOf(unsigned long window);
    bool byWindowManager(unsigned long window);

    XConnection& x_;
    std::function<bool(unsigned long)> isOwn_;
    unsigned long cover_ = 0; // the stand-in background this connection made, 0: none
};

} // namespace sorvane::linuxos
