#include "platform/forms_runtime.h"

namespace sorvane::platform {

using forms::Event;

template <class F> bool FormsRuntime::deliver(const void* source, Event event, F&& handler) {
    if (!dispatcher_.deliver(source, event, std::forward<F>(handler))) return false;
    delivery_.handlerReturned(source);
    return true;
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
    delivery_.windowLoaded(window);
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
        return false;
    }
    return false;
}

bool FormsRuntime::raise(forms::MenuItem& item) {
    return item.Click && deliver(&item, Event::Click, item.Click);
}

bool FormsRuntime::timerRunning(const forms::Timer& timer) const {
    return timer.Enabled && timer.window().timersStarted_ && !ended();
}

bool FormsRuntime::tick(forms::Timer& timer) {
    const bool ran = timerRunning(timer) && timer.Tick && deliver(&timer, Event::Timer, timer.Tick);
    delivery_.ticked(timer);
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
    delivery_.timerChanged(timer);
}

} // namespace sorvane::platform
