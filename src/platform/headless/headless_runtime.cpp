#include "platform/headless/headless_runtime.h"

#include <algorithm>
#include <stdexcept>

namespace sorvane::headless {

HeadlessRuntime::HeadlessRuntime() = default;

win::HWND HeadlessRuntime::createNative(forms::Window& window) {
    return os_ ? os_->addProgramWindow(std::string(window.name())) : 0;
}

void HeadlessRuntime::showNative(forms::Window& window, bool visible) {
    if (os_) os_->setProgramWindowVisible(window.hWnd(), visible);
}

HeadlessRuntime::Scheduled* HeadlessRuntime::find(const forms::Timer* t) {
    for (auto& e : schedule_)
        if (e.timer == t) return &e;
    return nullptr;
}

const HeadlessRuntime::Scheduled* HeadlessRuntime::find(const forms::Timer* t) const {
    for (const auto& e : schedule_)
        if (e.timer == t) return &e;
    return nullptr;
}

void HeadlessRuntime::timerNative(forms::Timer& timer, bool run, int interval) {
    // Ranked when first met, running or not: a key poll that starts asleep keeps its place
    // among the timers that come due together.
    auto [it, fresh] = order_.try_emplace(&timer, static_cast<unsigned>(order_.size()));
    if (!run) {
        std::erase_if(schedule_, [&](const Scheduled& e) { return e.timer == &timer; });
        return;
    }
    const Scheduled entry{&timer, now_ + Millis(interval), Millis(interval), it->second,
                          ++generation_};
    if (auto* e = find(&timer))
        *e = entry;
    else
        schedule_.push_back(entry);
}

HeadlessRuntime::Scheduled* HeadlessRuntime::nextDue(Millis limit) {
    Scheduled* best = nullptr;
    for (auto& e : schedule_) {
        if (e.due > limit) continue;
        if (!best || e.due < best->due || (e.due == best->due && e.order < best->order)) best = &e;
    }
    return best;
}

void HeadlessRuntime::advance(Millis d) {
    const Millis target = now_ + d;
    while (!ended()) {
        Scheduled* next = nextDue(target);
        if (!next) break;
        const Scheduled entry = *next;
        if (entry.due > now_) now_ = entry.due;
        const Millis fired = now_;
        // Reschedule before delivery, so a nested advance (a modal box) sees the next tick.
        next->due = fired + entry.interval;
        tick(const_cast<forms::Timer&>(*entry.timer));
        // The handler may have stopped, restarted or added timers: look the entry up again.
        auto* after = find(entry.timer);
        if (after && after->generation == entry.generation && after->due < now_)
            after->due = now_; // came due while the thread was held: one tick, at once
    }
    if (now_ < target) now_ = target;
}

int HeadlessRuntime::openBoxesWith(std::string_view text) const {
    return static_cast<int>(std::count(openTexts_.begin(), openTexts_.end(), text));
}

void HeadlessRuntime::answerNextBox(int button, Millis after) {
    answers_.push_back({button, after});
}

void HeadlessRuntime::chooseMenuItem(std::vector<std::string> captionPath) {
    menuChoices_.push_back(std::move(captionPath));
}

int HeadlessRuntime::messageBoxNative(std::string_view text, int style, std::string_view title) {
    Answer answer{(style & 0x0F) == win::MB_YESNO ? win::IDNO : win::IDOK, Millis(0)};
    if (!answers_.empty()) {
        answer = answers_.front();
        answers_.pop_front();
    }
    boxes_.push_back({std::string(text), std::string(title), style, now_, answer.button,
                      dispatcher().innermostTimer() != nullptr});
    ++openBoxes_;
    openTexts_.emplace_back(text);
    if (openBoxes_ > maxOpenBoxes_) maxOpenBoxes_ = openBoxes_;
    if (answer.after.count() > 0) advance(answer.after);
    --openBoxes_;
    openTexts_.erase(std::find(openTexts_.begin(), openTexts_.end(), text));
    return answer.button;
}

namespace {
void listEntries(const forms::MenuItem& menu, const std::string& prefix,
                 std::vector<std::string>& out) {
    for (const auto* item : menu.children) {
        out.push_back(prefix + (item->Checked ? "[x] " : "") + item->Caption.get());
        if (!item->children.empty()) listEntries(*item, prefix + item->Caption.get() + " > ", out);
    }
}
} // namespace

forms::MenuItem* HeadlessRuntime::popupMenuNative(forms::Window&, forms::MenuItem& menu) {
    MenuRecord record;
    record.at = now_;
    listEntries(menu, "", record.entries);
    std::vector<std::string> path;
    if (!menuChoices_.empty()) {
        path = std::move(menuChoices_.front());
        menuChoices_.pop_front();
    }
    forms::MenuItem* current = &menu;
    for (const auto& caption : path) {
        forms::MenuItem* next = nullptr;
        for (auto* child : current->children)
            if (child->Caption.get() == caption) next = child;
        if (!next) throw std::invalid_argument("chooseMenuItem: no entry \"" + caption + "\" here");
        current = next;
        record.chosen += (record.chosen.empty() ? "" : " > ") + caption;
    }
    menus_.push_back(record);
    // Choosing an item that opens a sub-menu only opens it.
    if (path.empty() || !current->children.empty()) return nullptr;
    return current;
}

void HeadlessRuntime::endNative() {
    schedule_.clear();
}

} // namespace sorvane::headless
