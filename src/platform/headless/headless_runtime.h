// The headless forms runtime: a virtual clock that fires due timers in order under the dispatch
// rules, scripted answers for message boxes and pop-up menus, and a count of the native changes
// a real backend would have had to make.
#pragma once

#include "platform/forms_runtime.h"
#include "platform/headless/headless_os.h"

#include <deque>
#include <map>
#include <string>
#include <vector>

namespace sorvane::headless {

struct BoxRecord {
    std::string text;
    std::string title;
    int style;
    Millis at;
    int answer;
    bool unasked; // put up by a timer's handler, not by a user's click: it takes no focus
};

struct MenuRecord {
    std::vector<std::string> entries; // "Caption" or "[x] Caption"; sub-menus as "Parent > Child"
    Millis at;
    std::string chosen; // caption path, empty when dismissed
};

class HeadlessRuntime final : public platform::FormsRuntime {
  public:
    HeadlessRuntime();

    void setOs(HeadlessOs& os) { os_ = &os; }

    Millis now() const { return now_; }
    // Lets `d` of virtual time pass, firing due timers in order. Re-entrant: a modal box that
    // keeps time passing calls it from inside a handler.
    void advance(Millis d);
    // Lets `d` pass with the UI thread held (a beep, an animation): nothing is delivered; a timer
    // that came due meanwhile fires once afterwards.
    void busy(Millis d) { now_ += d; }

    // --- scripts ---
    void answerNextBox(int button, Millis after = Millis(0));
    std::size_t pendingAnswers() const { return answers_.size(); }
    void chooseMenuItem(std::vector<std::string> captionPath);
    void dismissNextMenu() { chooseMenuItem({}); }

    // --- records ---
    const std::vector<BoxRecord>& boxes() const { return boxes_; }
    const std::vector<MenuRecord>& menus() const { return menus_; }
    int nativeChanges() const { return nativeChanges_; }
    bool openBox() const { return openBoxes_ > 0; }
    int openBoxCount() const { return openBoxes_; }
    // How many boxes with this text are open now.
    int openBoxesWith(std::string_view text) const;
    void clearRecords() {
        boxes_.clear();
        menus_.clear();
    }
    int maxOpenBoxes() const { return maxOpenBoxes_; }
    bool timerScheduled(const forms::Timer& t) const { return find(&t) != nullptr; }
    Millis timerDue(const forms::Timer& t) const { return find(&t)->due; }

  protected:
    win::HWND createNative(forms::Window& window) override;
    void showNative(forms::Window& window, bool visible) override;
    void controlChangedNative(forms::Control&, forms::Property) override { ++nativeChanges_; }
    void windowChangedNative(forms::Window&, forms::Property) override { ++nativeChanges_; }
    void menuChangedNative(forms::MenuItem&, forms::Property) override { ++nativeChanges_; }
    void timerNative(forms::Timer& timer, bool run, int interval) override;
    int messageBoxNative(std::string_view text, int style, std::string_view title) override;
    forms::MenuItem* popupMenuNative(forms::Window& window, forms::MenuItem& menu) override;
    void endNative() override;

  private:
    struct Scheduled {
        const forms::Timer* timer;
        Millis due;
        Millis interval;
        unsigned order;      // registration order breaks ties
        unsigned generation; // bumped when the timer is restarted
    };
    struct Answer {
        int button;
        Millis after;
    };

    // A handful of timers: a flat list scans faster than any tree (days of simulated ticks).
    Scheduled* find(const forms::Timer* t);
    const Scheduled* find(const forms::Timer* t) const;
    Scheduled* nextDue(Millis limit);

    HeadlessOs* os_ = nullptr;
    Millis now_{0};
    std::vector<Scheduled> schedule_;
    std::map<const forms::Timer*, unsigned> order_;
    unsigned generation_ = 0;
    std::deque<Answer> answers_;
    std::deque<std::vector<std::string>> menuChoices_;
    std::vector<BoxRecord> boxes_;
    std::vector<MenuRecord> menus_;
    int nativeChanges_ = 0;
    int openBoxes_ = 0;
    std::vector<std::string> openTexts_;
    int maxOpenBoxes_ = 0;
};

} // namespace sorvane::headless
