#pragma once

#include "sync/SecretStore.h"

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace tavro::test {

// The keyring as a map.
class MemorySecrets final : public SecretStore {
public:
    std::optional<std::string> read(std::string_view account) override {
        std::lock_guard lock(mutex_);
        auto found = items_.find(std::string(account));
        return found == items_.end() ? std::nullopt : std::optional(found->second);
    }
    void write(std::string_view value, std::string_view account) override {
        std::lock_guard lock(mutex_);
        items_[std::string(account)] = value;
    }
    void remove(std::string_view account) override {
        std::lock_guard lock(mutex_);
        items_.erase(std::string(account));
    }

private:
    std::mutex mutex_;
    std::map<std::string, std::string> items_;
};

} // namespace tavro::test
