#pragma once

#include "platform/StoreChangeNotifier.h"

#include <atomic>

namespace tavro::test {

// Counts the store-changed notifications a store posts.
class CountingNotifier final : public StoreChangeNotifier {
public:
    void post() override { ++count; }
    std::atomic<int> count{0};
};

} // namespace tavro::test
