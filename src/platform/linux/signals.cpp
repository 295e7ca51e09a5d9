#include "platform/linux/signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>

namespace sorvane::linuxos {
namespace {

int wakeRead = -1;
int wakeWrite = -1;
std::atomic<int> caught{0};

constexpr int kEndings[] = {SIGTERM, SIGINT, SIGHUP};

// Async-signal-safe: an atomic exchange, write(), and, for a second signal, signal() + raise().
void onEndingSignal(int sig) {
    if (caught.exchange(sig) != 0) endBySignal(sig); // the restore takes too long for the user
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(wakeWrite, &byte, 1);
    errno = saved;
}

} // namespace

void watchEndingSignals() {
    if (wakeRead >= 0) return;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return; // then the signals end it as before
    wakeRead = fds[0];
    wakeWrite = fds[1];
    struct sigaction action {};
    action.sa_handler = onEndingSignal;
    // One handler at a time: a second signal finds the first one noted.
    sigemptyset(&action.sa_mask);
    for (int sig : kEndings)
        sigaddset(&action.sa_mask, sig);
    action.sa_flags = SA_RESTART;
    for (int sig : kEndings)
        ::sigaction(sig, &action, nullptr);
}

int endingSignalFd() {
    return wakeRead;
}

int endingSignal() {
    return caught.load();
}

void endBySignal(int sig) {
    ::signal(sig, SIG_DFL);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, sig);
    ::sigprocmask(SIG_UNBLOCK, &set, nullptr);
    ::raise(sig);
    _exit(128 + sig); // not reached
}

win::BOOL HiddenByThisRun::SetWindowPos(win::HWND window, win::HWND insertAfter, int x, int y,
                                        int cx, int cy, win::UINT flags) {
    const win::BOOL done = windows_.SetWindowPos(window, insertAfter, x, y, cx, cy, flags);
    if (flags & (win::SWP_HIDEWINDOW | win::SWP_SHOWWINDOW))
        note(window, (flags & win::SWP_HIDEWINDOW) != 0, false);
    else if (insertAfter == win::HWND_TOPMOST && raisedOnTop)
        raisedOnTop(window);
    return done;
}

win::BOOL HiddenByThisRun::ShowWindow(win::HWND window, int command) {
    const win::BOOL done = windows_.ShowWindow(window, command);
    if (command == win::SW_HIDE || command == win::SW_SHOW)
        note(window, command == win::SW_HIDE, true);
    return done;
}

void HiddenByThisRun::note(win::HWND window, bool hidden, bool byShowWindow) {
    if (!window) return; // no shell window was found: nothing was hidden
    std::erase_if(hidden_, [&](const Hidden& h) { return h.window == window; });
    if (hidden) hidden_.push_back({window, byShowWindow});
}

void HiddenByThisRun::showWhatThisRunHid() {
    auto all = std::move(hidden_);
    hidden_.clear();
    std::stable_partition(all.begin(), all.end(), [](const Hidden& h) { return h.byShowWindow; });
    for (const Hidden& h : all) {
        if (h.byShowWindow)
            windows_.ShowWindow(h.window, win::SW_SHOW);
        else
            windows_.SetWindowPos(h.window, 0, 0, 0, 0, 0, win::SWP_SHOWWINDOW);
    }
}

} // namespace sorvane::linuxos
