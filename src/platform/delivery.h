// When the timers' ticks reach the program. Under the clock policy every timer ticks on its
// interval, as Windows does. Under the idle-aware policy each timer ticks as its Delivery
// allows (the refresh right after other handlers, the key polls only while a key needs them),
// so an idle program sleeps; what the program does is the same, only sooner.
#pragma once

#include "forms/model.h"
#include "platform/dispatcher.h"

#include <map>
#include <vector>

namespace sorvane::platform {

enum class Policy { Clock, IdleAware };

// What the idle-aware policy needs to let the key polls sleep. The backend also calls
// TimerDelivery::keyPressed (through its runtime) when a press of a key comes in.
class KeyWatch {
  public:
    virtual ~KeyWatch() = default;
    // The key is down now or was pressed since the program last asked for it. Asking here does
    // not clear that press: the program's own query still sees it.
    virtual bool keyActive(int vKey) = 0;
};

// What delivery asks of the runtime it serves.
class TimerClocks {
  public:
    // One tick through the dispatch rules; the runtime then calls TimerDelivery::ticked.
    virtual bool tick(forms::Timer& timer) = 0;
    virtual bool timerRunning(const forms::Timer& timer) const = 0;
    // Starts (with the effective interval; 0: as soon as the event loop is free) or stops the
    // timer's native clock.
    virtual void runClock(forms::Timer& timer, bool run, int interval) = 0;

  protected:
    ~TimerClocks() = default;
};

class TimerDelivery {
  public:
    TimerDelivery(TimerClocks& clocks, const Dispatcher& dispatcher)
        : clocks_(clocks), dispatcher_(dispatcher) {}

    // Both before the first window loads. Without a key watch the key polls keep their clocks.
    void setPolicy(Policy policy) { policy_ = policy; }
    Policy policy() const { return policy_; }
    void setKeyWatch(KeyWatch* watch) { keyWatch_ = watch; }

    // A window's load handler has returned: its enabled timers start.
    void windowLoaded(const forms::Window& window);
    // A timer's Enabled or Interval changed after its window loaded.
    void timerChanged(forms::Timer& timer);
    // A handler has returned (source null: a modal loop is about to run other handlers).
    void handlerReturned(const void* source);
    // A timer's tick went through the dispatch rules, delivered or not.
    void ticked(forms::Timer& timer);
    // A key was pressed: the polls asleep on it wake.
    void keyPressed(int vKey);

    // A modal loop (a box, a menu, the system's move loop) runs other handlers while the
    // running ones wait. Entered and left in pairs.
    void enterModalLoop();
    void leaveModalLoop();

  private:
    // Where a key poll stands under the idle-aware policy: asleep until a press, woken by one
    // (ticking as soon as the loop is free), or on its clock while a key needs it.
    enum class KeyState { Dormant, Woken, Armed };

    void startClock(forms::Timer& timer);
    bool sleepsOnKeys(const forms::Timer& timer) const;
    bool keysActive(const forms::Timer& timer) const;
    void settleKeyPoll(forms::Timer& timer);

    TimerClocks& clocks_;
    const Dispatcher& dispatcher_;
    Policy policy_ = Policy::Clock;
    KeyWatch* keyWatch_ = nullptr;
    std::vector<forms::Timer*> started_; // timers whose window has loaded, in load order
    std::map<const forms::Timer*, KeyState> keyStates_;
    std::vector<std::size_t> modalLoops_; // the handlers running when each was entered
};

} // namespace sorvane::platform
