// Tests wait for a condition with a deadline; they never sleep a fixed time to let things settle.
#pragma once

#include <chrono>
#include <thread>

namespace sorvane::testsupport {

// Polls `condition` every `step` until it holds (true) or `timeout` passes (false).
template <class Condition>
bool waitUntil(Condition&& condition,
               std::chrono::milliseconds timeout = std::chrono::milliseconds(5000),
               std::chrono::milliseconds step = std::chrono::milliseconds(10)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (condition()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(step);
    }
}

} // namespace sorvane::testsupport

namespace sorvane::testsupport {

// Waits until `read()` returns the same value for `quiet` in a row (a desktop that has finished
// laying itself out), polling every `step`; returns the settled value, or the last one read when
// `timeout` passes first.
template <class Read>
auto waitUntilSettled(Read&& read, std::chrono::milliseconds quiet = std::chrono::milliseconds(300),
                      std::chrono::milliseconds timeout = std::chrono::milliseconds(10000),
                      std::chrono::milliseconds step = std::chrono::milliseconds(20)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    auto value = read();
    auto since = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(step);
        auto now = read();
        if (!(now == value)) {
            value = std::move(now);
            since = std::chrono::steady_clock::now();
        } else if (std::chrono::steady_clock::now() - since >= quiet) {
            break;
        }
    }
    return value;
}

} // namespace sorvane::testsupport
