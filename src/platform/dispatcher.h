// The rules by which every backend delivers the program's events. One portable implementation,
// so the headless tests prove what the native builds do.
//
//  1. One handler at a time, on the user-interface thread (the backends' only thread).
//  2. A handler is never re-entered: while it runs (say, inside a modal message box) its own
//     event is not delivered again; other handlers may run meanwhile.
//  3. A timer interval below 10 ms runs at 10 ms.
//  4. A window's enabled timers start when its load handler returns (FormsRuntime::Load).
//  5. While a window animation runs, no handler runs.
//  6. After the program ends, no handler runs again.
// A handler that throws ends the program: every backend delivers through here, so each reports
// it the same way (see handlerFailed).
#pragma once

#include "forms/model.h"

#include <exception>
#include <functional>
#include <string_view>
#include <utility>
#include <vector>

namespace sorvane::platform {

class Dispatcher {
  public:
    static constexpr int minimumInterval = 10; // USER_TIMER_MINIMUM
    static int effectiveInterval(int interval) {
        return interval < minimumInterval ? minimumInterval : interval;
    }

    // Runs `handler` for the event `event` of `source` unless a rule forbids it. Returns whether
    // it ran.
    template <class F> bool deliver(const void* source, forms::Event event, F&& handler) {
        if (!admits(source, event)) return false;
        try {
            Running guard(*this, source, event);
            std::forward<F>(handler)();
        } catch (const std::exception& e) {
            fail(e.what());
        } catch (...) {
            fail("unknown exception");
        }
        if (afterEachHandler) afterEachHandler();
        return true;
    }

    // Called each time a delivered handler has returned: long simulations check their
    // invariants here.
    std::function<void()> afterEachHandler;
    // Reports a handler's exception; the program then ends with exit code 1. By default one
    // line on stderr; a program without a console shows a box instead.
    std::function<void(std::string_view what)> handlerFailed;

    bool admits(const void* source, forms::Event event) const;
    bool running(const void* source, forms::Event event) const;
    bool idle() const { return running_.empty(); }
    // Handlers still running (nested inside modal operations or inside each other).
    std::size_t depth() const { return running_.size(); }
    // The timer whose handler runs innermost, or null. A box a timer puts up comes unasked: it
    // must not take the keyboard from where the user is typing.
    const forms::Timer* innermostTimer() const {
        if (running_.empty() || running_.back().event != forms::Event::Timer) return nullptr;
        return static_cast<const forms::Timer*>(running_.back().source);
    }

    void end() { ended_ = true; }
    bool ended() const { return ended_; }

    // While one of these lives, no handler is delivered (a window animation runs).
    class Suppress {
      public:
        explicit Suppress(Dispatcher& d) : d_(d) { ++d_.suppressed_; }
        ~Suppress() { --d_.suppressed_; }
        Suppress(const Suppress&) = delete;
        Suppress& operator=(const Suppress&) = delete;

      private:
        Dispatcher& d_;
    };
    bool suppressed() const { return suppressed_ > 0; }

  private:
    // No handler can be trusted to have left the program's state whole: nothing runs after.
    [[noreturn]] void fail(std::string_view what);

    struct Key {
        const void* source;
        forms::Event event;
        bool operator==(const Key&) const = default;
    };
    class Running {
      public:
        Running(Dispatcher& d, const void* source, forms::Event event) : d_(d) {
            d_.running_.push_back({source, event});
        }
        ~Running() { d_.running_.pop_back(); }
        Running(const Running&) = delete;
        Running& operator=(const Running&) = delete;

      private:
        Dispatcher& d_;
    };

    std::vector<Key> running_; // a stack: nested handlers run inside modal operations
    int suppressed_ = 0;
    bool ended_ = false;
};

} // namespace sorvane::platform
