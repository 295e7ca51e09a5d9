// The forms runtime as the program uses it: loading and showing windows, pop-up menus, modal
// message boxes, ending the program; and, for backends, the delivery of events through the
// dispatch rules. Each backend renders the model and supplies the native half below.
#pragma once

#include "forms/model.h"
#include "platform/delivery.h"
#include "platform/dispatcher.h"

#include <string_view>
#include <vector>

namespace sorvane::platform {

class FormsRuntime : private TimerClocks {
  public:
    static constexpr std::string_view applicationTitle = "Sorvane";

    FormsRuntime() : delivery_(*this, dispatcher_) {}
    FormsRuntime(const FormsRuntime&) = delete;
    FormsRuntime& operator=(const FormsRuntime&) = delete;
    virtual ~FormsRuntime() = default;

    // The runtime renders this window once it is loaded.
    void attach(forms::Window& window);

    // --- services the program calls ---
    // Creates the window and runs its load handler, once; its enabled timers start after.
    void Load(forms::Window& window);
    void Show(forms::Window& window); // loads first when needed
    void Hide(forms::Window& window);
    // Opens the menu's children at the mouse; the chosen item's Click runs after it closes.
    void PopupMenu(forms::Window& window, forms::MenuItem& menu);
    // A modal message box; returns the button id (IDOK, IDYES, IDNO).
    int MsgBox(std::string_view prompt, int buttons, std::string_view title);
    int MsgBox(std::string_view prompt, int buttons) {
        return MsgBox(prompt, buttons, applicationTitle);
    }
    // Ends the program at once: no unload handler, nothing restored, no handler after.
    void End();
    bool ended() const { return dispatcher_.ended(); }

    Dispatcher& dispatcher() { return dispatcher_; }

    // Both before the first window loads. Without a key watch the key polls keep their clocks.
    void setPolicy(Policy policy) { delivery_.setPolicy(policy); }
    Policy policy() const { return delivery_.policy(); }
    void setKeyWatch(KeyWatch* watch) { delivery_.setKeyWatch(watch); }

    // --- events, from the backend ---
    bool raise(forms::Control& control, forms::Event event, const forms::MouseArgs& args = {});
    bool raise(forms::MenuItem& item);
    bool tick(forms::Timer& timer) override;
    bool timerRunning(const forms::Timer& timer) const override;
    // A key was pressed: the polls asleep on it wake.
    void keyPressed(int vKey) { delivery_.keyPressed(vKey); }

    // --- notifications, from the model ---
    void controlChanged(forms::Control& control, forms::Property which);
    void windowChanged(forms::Window& window, forms::Property which);
    void menuChanged(forms::MenuItem& item, forms::Property which);
    void timerChanged(forms::Timer& timer);

  protected:
    virtual win::HWND createNative(forms::Window& window) = 0;
    virtual void showNative(forms::Window& window, bool visible) = 0;
    virtual void controlChangedNative(forms::Control&, forms::Property) {}
    virtual void windowChangedNative(forms::Window&, forms::Property) {}
    virtual void menuChangedNative(forms::MenuItem&, forms::Property) {}
    // Start (run true, with the effective interval) or stop the timer's clock. Interval 0:
    // tick as soon as the event loop is free (the runtime then restarts or stops it).
    virtual void timerNative(forms::Timer& timer, bool run, int interval) = 0;
    virtual int messageBoxNative(std::string_view text, int style, std::string_view title) = 0;
    // Returns the chosen item, or null when the menu was dismissed.
    virtual forms::MenuItem* popupMenuNative(forms::Window& window, forms::MenuItem& menu) = 0;
    virtual void endNative() = 0;

    // A modal loop the system runs inside a handler of its own accord (Windows' window-move
    // loop): the handlers it delivers count as called by an event loop, as in a box or a menu.
    // Entered and left in pairs.
    void enterModalLoop() { delivery_.enterModalLoop(); }
    void leaveModalLoop() { delivery_.leaveModalLoop(); }

  private:
    template <class F> bool deliver(const void* source, forms::Event event, F&& handler);
    void runClock(forms::Timer& timer, bool run, int interval) override {
        timerNative(timer, run, interval);
    }

    // A modal loop (a box, a menu) runs other handlers while the running ones wait.
    struct Parked {
        explicit Parked(FormsRuntime& rt) : rt_(rt) { rt_.enterModalLoop(); }
        ~Parked() { rt_.leaveModalLoop(); }
        Parked(const Parked&) = delete;
        Parked& operator=(const Parked&) = delete;
        FormsRuntime& rt_;
    };

    Dispatcher dispatcher_;
    TimerDelivery delivery_;
};

} // namespace sorvane::platform
