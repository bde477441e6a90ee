#pragma once

#include "sync/SyncError.h"

#include <functional>
#include <optional>

namespace tavro::test {

// The SyncError a call throws, or nothing when it returns.
inline std::optional<SyncError> thrown(const std::function<void()>& call) {
    try {
        call();
    } catch (const SyncError& error) {
        return error;
    }
    return std::nullopt;
}

} // namespace tavro::test
