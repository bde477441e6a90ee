#include "sync/SecretStore.h"

#include "platform/Keychain.h"

namespace tavro {

namespace {

class KeyringSecretStore final : public SecretStore {
public:
    std::optional<std::string> read(std::string_view account) override {
        return Keychain::read(account);
    }
    void write(std::string_view value, std::string_view account) override {
        Keychain::write(value, account);
    }
    void remove(std::string_view account) override { Keychain::remove(account); }
};

} // namespace

std::shared_ptr<SecretStore> keyringSecretStore() {
    return std::make_shared<KeyringSecretStore>();
}

} // namespace tavro
