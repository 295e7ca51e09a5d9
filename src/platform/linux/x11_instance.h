// One gauge per X screen. The running gauge owns the selection _SORVANE_GAUGE_S<screen> through
// a small window of its own; a later start finds the owner, asks it to bring its gauge back and
// leaves.
#pragma once

#include <functional>
#include <string>

struct _XDisplay;

namespace sorvane::linuxos {

class X11Instance {
  public:
    enum class Claim {
        Ours,       // this process is the gauge of the screen now
        Recalled,   // another one is: it has been asked to come back
        Unanswered, // another one owns the screen but did not answer (it hangs)
        Failed,     // no display
    };

    // displayName empty: $DISPLAY.
    explicit X11Instance(const std::string& displayName = "");
    ~X11Instance(); // the selection goes with the connection
    X11Instance(const X11Instance&) = delete;
    X11Instance& operator=(const X11Instance&) = delete;

    Claim claim();

    // The connection's descriptor, to wait on; -1 without a display.
    int connectionFd() const;
    // Reads what has come in: calls onRecall once per request of a later start.
    void pump();
    std::function<void()> onRecall;

  private:
    bool awaitAnswer(unsigned long owner);

    _XDisplay* display_ = nullptr;
    unsigned long window_ = 0;
    unsigned long selection_ = 0;
    unsigned long request_ = 0;
    unsigned long answer_ = 0;
};

} // namespace sorvane::linuxos
