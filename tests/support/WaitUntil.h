// Polls `condition` until it holds or `timeout` passes; says whether it held. For tests that wait
// on something another process or thread does, without a signal to wait on.
#pragma once

#include <chrono>
#include <thread>

namespace tavro::test {

template <class Condition>
bool waitUntil(Condition&& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return condition();
}

} // namespace tavro::test
