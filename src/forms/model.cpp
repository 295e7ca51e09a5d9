#include "forms/model.h"

#include "platform/forms_runtime.h"

#include <stdexcept>

namespace sorvane::forms {

Control::Control(Window& window, std::string_view name, ControlKind kind, Rect r)
    : Left(*this, Property::Left, r.left), Top(*this, Property::Top, r.top),
      Width(*this, Property::Width, r.width), Height(*this, Property::Height, r.height),
      window_(window), name_(name), kind_(kind) {
    window.controls_.push_back(this);
}

void Control::propertyChanged(Property which) {
    if (auto* rt = window_.runtime()) rt->controlChanged(*this, which);
}

Image::Image(Window& window, std::string_view name, Rect r, PictureRef initial)
    : Control(window, name, ControlKind::Image, r), Picture(*this, Property::Picture, initial) {}

Label::Label(Window& window, std::string_view name, Rect r, std::string caption, int tabIndex)
    : Control(window, name, ControlKind::Label, r),
      Caption(*this, Property::Caption, std::move(caption)), TabIndex(tabIndex) {}

HScrollBar::HScrollBar(Window& window, std::string_view name, Rect r, ScrollRange range,
                       int tabIndex)
    : Control(window, name, ControlKind::HScrollBar, r), Min(range.Min), Max(range.Max),
      SmallChange(range.SmallChange), LargeChange(range.LargeChange), TabIndex(tabIndex),
      value_(range.Value) {}

void HScrollBar::setValue(int value) {
    if (value < Min || value > Max)
        throw std::out_of_range("HScrollBar " + std::string(name()) + ": invalid property value " +
                                std::to_string(value));
    if (value == value_) return;
    value_ = static_cast<std::int16_t>(value);
    propertyChanged(Property::Value);
    if (auto* rt = window().runtime()) rt->raise(*this, Event::Change);
}

Timer::Timer(Window& window, std::string_view name, int interval, bool enabled)
    : Interval(*this, Property::Interval, interval), Enabled(*this, Property::Enabled, enabled),
      window_(window), name_(name) {
    window.timers_.push_back(this);
}

void Timer::propertyChanged(Property) {
    if (auto* rt = window_.runtime()) rt->timerChanged(*this);
}

MenuItem::MenuItem(Window& window, std::string_view name, std::string caption, bool checked,
                   std::vector<MenuItem*> children)
    : Caption(*this, Property::Caption, std::move(caption)),
      Checked(*this, Property::Checked, checked), children(std::move(children)), window_(window),
      name_(name) {
    window.menuItems_.push_back(this);
}

void MenuItem::propertyChanged(Property which) {
    if (auto* rt = window_.runtime()) rt->menuChanged(*this, which);
}

Window::Window(std::string_view name, WindowSettings s)
    : settings(s), Left(*this, Property::Left, 0), Top(*this, Property::Top, 0),
      Width(*this, Property::Width, s.clientWidth), Height(*this, Property::Height, s.clientHeight),
      name_(name) {}

void Window::propertyChanged(Property which) {
    if (runtime_) runtime_->windowChanged(*this, which);
}

void Window::setVisible(bool visible) {
    if (!runtime_) return;
    if (visible)
        runtime_->Show(*this);
    else
        runtime_->Hide(*this);
}

void Window::Show() {
    if (runtime_) runtime_->Show(*this);
}

void Window::PopupMenu(MenuItem& menu) {
    if (runtime_) runtime_->PopupMenu(*this, menu);
}

Control* Window::findControl(std::string_view name) const {
    for (auto* c : controls_)
        if (c->name() == name) return c;
    return nullptr;
}

MenuItem* Window::findMenuItem(std::string_view name) const {
    for (auto* m : menuItems_)
        if (m->name() == name) return m;
    return nullptr;
}

Timer* Window::findTimer(std::string_view name) const {
    for (auto* t : timers_)
        if (t->name() == name) return t;
    return nullptr;
}

} // namespace sorvane::forms
