#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace tavro {

// Where the engine keeps the session token. Like the keyring it stands for, it reports no
// failure: a read that fails gives nothing, a refused write or removal leaves what was there.
class SecretStore {
public:
    static constexpr std::string_view sessionAccount = "session";

    virtual ~SecretStore() = default;
    virtual std::optional<std::string> read(std::string_view account) = 0;
    virtual void write(std::string_view value, std::string_view account) = 0;
    virtual void remove(std::string_view account) = 0;
};

// The desktop's keyring (the Secret Service).
std::shared_ptr<SecretStore> keyringSecretStore();

} // namespace tavro
