#include "platform/delivery.h"

namespace sorvane::platform {

using forms::Wake;

void TimerDelivery::handlerReturned(const void* source) {
    if (policy_ != Policy::IdleAware) return;
    // A handler called from inside another one (a slider moved by code) leaves the refresh to
    // that one's return; one called by an event loop, the main one or a modal one, does not.
    const std::size_t loopDepth = modalLoops_.empty() ? 0 : modalLoops_.back();
    if (source && dispatcher_.depth() > loopDepth) return;
    // Such a timer's own tick does not call for another one, nor for any other timer's: two
    // of them would otherwise call each other forever.
    for (const auto* t : started_)
        if (t == source && t->delivery.wake == Wake::AfterHandlers) return;
    // By index: a handler may load a window and so start more timers.
    for (std::size_t i = 0; i < started_.size(); ++i)
        if (started_[i]->delivery.wake == Wake::AfterHandlers) clocks_.tick(*started_[i]);
}

void TimerDelivery::enterModalLoop() {
    // A modal loop lets other handlers run: what the running one changed is shown first.
    handlerReturned(nullptr);
    modalLoops_.push_back(dispatcher_.depth());
}

void TimerDelivery::leaveModalLoop() {
    if (!modalLoops_.empty()) modalLoops_.pop_back();
}

void TimerDelivery::windowLoaded(const forms::Window& window) {
    for (auto* timer : window.timers())
        started_.push_back(timer);
    // Clocks first, then the first refresh, which may run code that reads them.
    for (auto* timer : window.timers())
        if (clocks_.timerRunning(*timer) && timer->delivery.wake != Wake::AfterHandlers)
            startClock(*timer);
    for (auto* timer : window.timers())
        if (clocks_.timerRunning(*timer) && timer->delivery.wake == Wake::AfterHandlers)
            startClock(*timer);
}

void TimerDelivery::timerChanged(forms::Timer& timer) {
    startClock(timer);
}

bool TimerDelivery::sleepsOnKeys(const forms::Timer& timer) const {
    return policy_ == Policy::IdleAware && keyWatch_ && timer.delivery.wake == Wake::OnKeys;
}

bool TimerDelivery::keysActive(const forms::Timer& timer) const {
    for (int key : timer.delivery.keys)
        if (key != 0 && keyWatch_->keyActive(key)) return true;
    return false;
}

// Starts, restarts or stops the timer's clock as its Enabled, Interval and delivery say.
void TimerDelivery::startClock(forms::Timer& timer) {
    const bool run = clocks_.timerRunning(timer);
    const int interval = Dispatcher::effectiveInterval(timer.Interval);
    if (policy_ == Policy::IdleAware && timer.delivery.wake == Wake::AfterHandlers) {
        if (run) clocks_.tick(timer); // no clock at all: once now, then after other handlers
        return;
    }
    if (sleepsOnKeys(timer)) {
        const KeyState state = run && keysActive(timer) ? KeyState::Armed : KeyState::Dormant;
        keyStates_[&timer] = state;
        clocks_.runClock(timer, state == KeyState::Armed, interval);
        return;
    }
    clocks_.runClock(timer, run, interval);
}

void TimerDelivery::ticked(forms::Timer& timer) {
    if (sleepsOnKeys(timer)) settleKeyPoll(timer);
}

// After a key poll's tick: keep polling on the clock while a key is down or pressed, else sleep
// until the next press. Asked after the tick, so a press the tick did not see keeps it awake.
void TimerDelivery::settleKeyPoll(forms::Timer& timer) {
    if (dispatcher_.ended()) return;
    auto [it, fresh] = keyStates_.try_emplace(&timer, KeyState::Armed);
    KeyState& state = it->second;
    const bool awake = clocks_.timerRunning(timer) && keysActive(timer);
    if (awake && state != KeyState::Armed) {
        state = KeyState::Armed;
        clocks_.runClock(timer, true, Dispatcher::effectiveInterval(timer.Interval));
    } else if (!awake && state != KeyState::Dormant) {
        state = KeyState::Dormant;
        clocks_.runClock(timer, false, Dispatcher::effectiveInterval(timer.Interval));
    }
}

void TimerDelivery::keyPressed(int vKey) {
    for (std::size_t i = 0; i < started_.size(); ++i) {
        auto* t = started_[i];
        if (!sleepsOnKeys(*t) || !clocks_.timerRunning(*t) || !t->delivery.watches(vKey)) continue;
        KeyState& state = keyStates_.try_emplace(t, KeyState::Armed).first->second;
        if (state == KeyState::Woken) continue;
        // A poll still on its clock only to see its keys come up takes a new press at once, as
        // from sleep; one that follows another key held down keeps that key's beat.
        if (state == KeyState::Armed) {
            bool otherHeld = false;
            for (int key : t->delivery.keys)
                if (key != 0 && key != vKey && keyWatch_->keyActive(key)) otherHeld = true;
            if (otherHeld) continue;
        }
        state = KeyState::Woken;
        clocks_.runClock(*t, true, 0);
    }
}

} // namespace sorvane::platform
