// The forms model: windows, controls, timers and menu items as plain portable objects. The model
// is the truth; a backend renders it. Writing a property with the value it already has costs
// nothing: no notification reaches the backend.
#pragma once

#include "forms/picture.h"
#include "platform/os_services.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace sorvane::platform {
class FormsRuntime;
}

namespace sorvane::forms {

using Twips = std::int32_t;
using win::HWND;

inline constexpr int twipsPerPixel = 15; // at 96 dots per inch

enum class Property {
    Picture,
    Caption,
    Left,
    Top,
    Width,
    Height,
    Value,
    Enabled,
    Interval,
    Checked,
};

enum class Event { Load, MouseMove, Click, Change, Timer };

// When a runtime that lets the machine sleep may deliver a timer's ticks. A plain clock runtime
// delivers every timer on its interval; the result is the same, only later.
enum class Wake {
    Clock,         // on its interval
    AfterHandlers, // right after any other handler has returned, and once when it starts: for
                   // a timer that reads nothing but the program's own state
    OnKeys,        // on its interval while one of its keys is down or was pressed since its last
                   // query, otherwise not until one of them is pressed
};

struct Delivery {
    Wake wake = Wake::Clock;
    std::array<int, 4> keys{}; // virtual-key codes; 0 ends the list

    bool watches(int vKey) const {
        for (int k : keys)
            if (k != 0 && k == vKey) return true;
        return false;
    }
};

class Window;

// Something whose properties a backend renders: it hears of every real change.
class PropertyOwner {
  public:
    virtual void propertyChanged(Property which) = 0;

  protected:
    ~PropertyOwner() = default;
};

// A property that notifies its owner only when its value really changes.
template <class T> class Prop {
  public:
    Prop(PropertyOwner& owner, Property id, T initial)
        : owner_(owner), id_(id), value_(std::move(initial)) {}
    Prop(const Prop&) = delete;

    operator const T&() const { return value_; }
    const T& get() const { return value_; }

    Prop& operator=(const T& v) {
        if (!(v == value_)) {
            value_ = v;
            owner_.propertyChanged(id_);
        }
        return *this;
    }
    // `ImgBat.Picture = ImgBat9.Picture` copies the value, never the owner.
    Prop& operator=(const Prop& other) { return *this = other.value_; }

  private:
    PropertyOwner& owner_;
    Property id_;
    T value_;
};

struct MouseArgs {
    int Button = 0; // 1 left, 2 right, 4 middle: the buttons down now
    int Shift = 0;
    float X = 0;
    float Y = 0;
};

inline constexpr int vbLeftButton = 1;

using Handler = std::function<void()>;
using MouseHandler = std::function<void(const MouseArgs&)>;

struct Rect {
    Twips left, top, width, height;
};

enum class ControlKind { Image, Label, HScrollBar };

class Control : public PropertyOwner {
  public:
    Control(Window& window, std::string_view name, ControlKind kind, Rect r);
    Control(const Control&) = delete;
    virtual ~Control() = default;

    Window& window() const { return window_; }
    std::string_view name() const { return name_; }
    ControlKind kind() const { return kind_; }

    Prop<Twips> Left;
    Prop<Twips> Top;
    Prop<Twips> Width;
    Prop<Twips> Height;

    void propertyChanged(Property which) override;

  private:
    Window& window_;
    std::string_view name_;
    ControlKind kind_;
};

using PictureRef = const Picture*;

class Image final : public Control {
  public:
    Image(Window& window, std::string_view name, Rect r, PictureRef initial = nullptr);

    Prop<PictureRef> Picture;

    MouseHandler MouseMove;
    Handler Click;
};

class Label final : public Control {
  public:
    Label(Window& window, std::string_view name, Rect r, std::string caption, int tabIndex);

    Prop<std::string> Caption;
    const int TabIndex;
    // Text centred in the label's width, transparent background, default font and colour.

    MouseHandler MouseMove;
};

struct ScrollRange {
    std::int16_t Min;
    std::int16_t Max;
    std::int16_t Value;
    std::int16_t SmallChange;
    std::int16_t LargeChange;
};

class HScrollBar final : public Control {
  public:
    HScrollBar(Window& window, std::string_view name, Rect r, ScrollRange range, int tabIndex);

    const std::int16_t Min;
    const std::int16_t Max;
    const std::int16_t SmallChange;
    const std::int16_t LargeChange;
    const int TabIndex;

    std::int16_t Value() const { return value_; }
    // Setting a new value raises Change, from code as from the user. A value outside Min..Max
    // is the runtime's "invalid property value" error (std::out_of_range).
    void setValue(int value);

    Handler Change;

  private:
    std::int16_t value_;
};

class Timer final : public PropertyOwner {
  public:
    Timer(Window& window, std::string_view name, int interval, bool enabled);
    Timer(const Timer&) = delete;

    Window& window() const { return window_; }
    std::string_view name() const { return name_; }

    Prop<int> Interval; // milliseconds
    Prop<bool> Enabled;

    Handler Tick; // the Timer event
    Delivery delivery;

    void propertyChanged(Property which) override;

  private:
    Window& window_;
    std::string_view name_;
};

class MenuItem final : public PropertyOwner {
  public:
    MenuItem(Window& window, std::string_view name, std::string caption, bool checked,
             std::vector<MenuItem*> children = {});
    MenuItem(const MenuItem&) = delete;

    Window& window() const { return window_; }
    std::string_view name() const { return name_; }

    Prop<std::string> Caption;
    Prop<bool> Checked;
    const std::vector<MenuItem*> children;

    Handler Click;

    void propertyChanged(Property which) override;

  private:
    Window& window_;
    std::string_view name_;
};

struct Colour {
    std::uint8_t red, green, blue;
    bool operator==(const Colour&) const = default;
};

struct WindowSettings {
    bool borderless;
    bool showInTaskbar;
    Colour backColour;
    const forms::Picture* icon;
    Twips clientWidth;
    Twips clientHeight;
};

class Window : public PropertyOwner {
  public:
    Window(std::string_view name, WindowSettings settings);
    Window(const Window&) = delete;
    virtual ~Window() = default;

    std::string_view name() const { return name_; }
    const WindowSettings settings;

    // Valid once the window is loaded (its native window exists); 0 before.
    HWND hWnd() const { return hWnd_; }
    bool loaded() const { return loaded_; }

    Prop<Twips> Left;
    Prop<Twips> Top;
    Prop<Twips> Width;
    Prop<Twips> Height;

    bool Visible() const { return visible_; }
    // Setting Visible to true loads the window first if it is not loaded yet.
    void setVisible(bool visible);
    void Show();
    void PopupMenu(MenuItem& menu);

    Handler Load;

    // Paint order, bottom first: a backend paints in this order and hit-tests in reverse.
    const std::vector<Control*>& controls() const { return controls_; }
    const std::vector<Timer*>& timers() const { return timers_; }
    const std::vector<MenuItem*>& menuItems() const { return menuItems_; }
    Control* findControl(std::string_view name) const;
    Timer* findTimer(std::string_view name) const;
    MenuItem* findMenuItem(std::string_view name) const;

    platform::FormsRuntime* runtime() const { return runtime_; }
    void propertyChanged(Property which) override;

  private:
    friend class Control;
    friend class Timer;
    friend class MenuItem;
    friend class platform::FormsRuntime;

    std::string_view name_;
    HWND hWnd_ = 0;
    bool loaded_ = false;
    bool visible_ = false;
    bool timersStarted_ = false;
    platform::FormsRuntime* runtime_ = nullptr;
    std::vector<Control*> controls_;
    std::vector<Timer*> timers_;
    std::vector<MenuItem*> menuItems_;
};

} // namespace sorvane::forms
