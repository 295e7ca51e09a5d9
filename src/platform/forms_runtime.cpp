#include "platform/forms_runtime.h"

namespace sorvane::platform {

using forms::Event;
using forms::Wake;

template <class F> bool FormsRuntime::deliver(const void* source, Event event, F&& handler) {
    if (!dispatcher_.deliver(source, event, std::forward<F>(handler))) return false;
    runAfterHandlers(source);
    return true;
}

void FormsRuntime::runAfterHandlers(const void* source) {
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
        if (started_[i]->delivery.wake == Wake::AfterHandlers) tick(*started_[i]);
}

bool FormsRuntime::sleepsOnKeys(const forms::Timer& timer) const {
    return policy_ == Policy::IdleAware && keyWatch_ && timer.delivery.wake == Wake::OnKeys;
}

bool FormsRuntime::keysActive(const forms::Timer& timer) const {
    for (int key : timer.delivery.keys)
        if (key != 0 && keyWatch_->keyActive(key)) return true;
    return false;
}

// Starts, restarts or stops the timer's clock as its Enabled, Interval and delivery say.
void FormsRuntime::startClock(forms::Timer& timer) {
    using State = forms::Timer::KeyState;
    const bool run = timerRunning(timer);
    const int interval = Dispatcher::effectiveInterval(timer.Interval);
    if (policy_ == Policy::IdleAware && timer.delivery.wake == Wake::AfterHandlers) {
        if (run) tick(timer); // no clock at all: once now, then after other handlers
        return;
    }
    if (sleepsOnKeys(timer)) {
        timer.keyState_ = run && keysActive(timer) ? State::Armed : State::Dormant;
        timerNative(timer, timer.keyState_ == State::Armed, interval);
        return;
    }
    timerNative(timer, run, interval);
}

// After a key poll's tick: keep polling on the clock while a key is down or pressed, else sleep
// until the next press. Asked after the tick, so a press the tick did not see keeps it awake.
void FormsRuntime::settleKeyPoll(forms::Timer& timer) {
    using State = forms::Timer::KeyState;
    if (ended()) return;
    const bool awake = timerRunning(timer) && keysActive(timer);
    if (awake && timer.keyState_ != State::Armed) {
        timer.keyState_ = State::Armed;
        timerNative(timer, true, Dispatcher::effectiveInterval(timer.Interval));
    } else if (!awake && timer.keyState_ != State::Dormant) {
        timer.keyState_ = State::Dormant;
        timerNative(timer, false, Dispatcher::effectiveInterval(timer.Interval));
    }
}

void FormsRuntime::keyPressed(int vKey) {
    using State = forms::Timer::KeyState;
    for (std::size_t i = 0; i < started_.size(); ++i) {
        auto* t = started_[i];
        if (!sleepsOnKeys(*t) || t->keyState_ == State::Woken || !timerRunning(*t) ||
            !t->delivery.watches(vKey))
            continue;
        // A poll still on its clock only to see its keys come up takes a new press at once, as
        // from sleep; one that follows another key held down keeps that key's beat.
        if (t->keyState_ == State::Armed) {
            bool otherHeld = false;
            for (int key : t->delivery.keys)
                if (key != 0 && key != vKey && keyWatch_->keyActive(key)) otherHeld = true;
            if (otherHeld) continue;
        }
        t->keyState_ = State::Woken;
        timerNative(*t, true, 0);
    }
}

void FormsRuntime::attach(forms::Window& window) {
    window.runtime_ = this;
}

void FormsRuntime::Load(forms::Window& window) {
    if (window.loaded_ || ended()) return;
    // Marked loaded before its handler runs, so a handler that uses a window still loading
    // does not load it twice.
    window.loaded_ = true;
    window.hWnd_ = createNative(window);
    if (window.Load) deliver(&window, Event::Load, window.Load);
    window.timersStarted_ = true;
    for (auto* timer : window.timers())
        started_.push_back(timer);
    // Clocks first, then the first refresh, which may run code that reads them.
    for (auto* timer : window.timers())
        if (timerRunning(*timer) && timer->delivery.wake != Wake::AfterHandlers) startClock(*timer);
    for (auto* timer : window.timers())
        if (timerRunning(*timer) && timer->delivery.wake == Wake::AfterHandlers) startClock(*timer);
}

void FormsRuntime::Show(forms::Window& window) {
    if (ended()) return;
    Load(window);
    if (ended()) return;
    window.visible_ = true;
    showNative(window, true);
}

void FormsRuntime::Hide(forms::Window& window) {
    if (!window.loaded_ || !window.visible_) return;
    window.visible_ = false;
    showNative(window, false);
}

void FormsRuntime::PopupMenu(forms::Window& window, forms::MenuItem& menu) {
    if (ended()) return;
    forms::MenuItem* chosen;
    {
        Parked modal(*this);
        chosen = popupMenuNative(window, menu);
    }
    if (chosen) raise(*chosen);
}

void FormsRuntime::enterModalLoop() {
    // A modal loop lets other handlers run: what the running one changed is shown first.
    runAfterHandlers(nullptr);
    modalLoops_.push_back(dispatcher_.depth());
}

void FormsRuntime::leaveModalLoop() {
    if (!modalLoops_.empty()) modalLoops_.pop_back();
}

int FormsRuntime::MsgBox(std::string_view prompt, int buttons, std::string_view title) {
    Parked modal(*this);
    return messageBoxNative(prompt, buttons, title);
}

void FormsRuntime::End() {
    if (ended()) return;
    dispatcher_.end();
    endNative();
}

bool FormsRuntime::raise(forms::Control& control, Event event, const forms::MouseArgs& args) {
    switch (event) {
    case Event::MouseMove:
        if (control.kind() == forms::ControlKind::Image) {
            auto& image = static_cast<forms::Image&>(control);
            if (image.MouseMove) return deliver(&control, event, [&] { image.MouseMove(args); });
        } else if (control.kind() == forms::ControlKind::Label) {
            auto& label = static_cast<forms::Label&>(control);
            if (label.MouseMove) return deliver(&control, event, [&] { label.MouseMove(args); });
        }
        return false;
    case Event::Click:
        if (control.kind() == forms::ControlKind::Image) {
            auto& image = static_cast<forms::Image&>(control);
            if (image.Click) return deliver(&control, event, image.Click);
        }
        return false;
    case Event::Change:
        if (control.kind() == forms::ControlKind::HScrollBar) {
            auto& bar = static_cast<forms::HScrollBar&>(control);
            if (bar.Change) return deliver(&control, event, bar.Change);
        }
        return false;
    case Event::Load:
    case Event::Timer:
    case Event::Recall:
        return false;
    }
    return false;
}

bool FormsRuntime::raise(forms::MenuItem& item) {
    return item.Click && deliver(&item, Event::Click, item.Click);
}

bool FormsRuntime::recall(forms::Window& window) {
    return window.loaded_ && window.Recall && deliver(&window, Event::Recall, window.Recall);
}

bool FormsRuntime::timerRunning(const forms::Timer& timer) const {
    return timer.Enabled && timer.window().timersStarted_ && !ended();
}

bool FormsRuntime::tick(forms::Timer& timer) {
    const bool ran = timerRunning(timer) && timer.Tick && deliver(&timer, Event::Timer, timer.Tick);
    if (sleepsOnKeys(timer)) settleKeyPoll(timer);
    return ran;
}

void FormsRuntime::controlChanged(forms::Control& control, forms::Property which) {
    if (control.window().loaded_) controlChangedNative(control, which);
}

void FormsRuntime::windowChanged(forms::Window& window, forms::Property which) {
    if (window.loaded_) windowChangedNative(window, which);
}

void FormsRuntime::menuChanged(forms::MenuItem& item, forms::Property which) {
    if (item.window().loaded_) menuChangedNative(item, which);
}

void FormsRuntime::timerChanged(forms::Timer& timer) {
    if (!timer.window().timersStarted_) return;
    startClock(timer);
}

} // namespace sorvane::platform
