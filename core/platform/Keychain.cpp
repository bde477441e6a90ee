#include "platform/Keychain.h"

#include "model/Text.h"
#include "platform/SessionBus.h"

#include <condition_variable>
#include <functional>
#include <libsecret/secret.h>
#include <memory>
#include <mutex>
#include <thread>

namespace tavro::Keychain {

namespace {

const SecretSchema* schema() {
    static const SecretSchema value = [] {
        SecretSchema s{};
        s.name = "dev.tavro.Tavro";
        s.flags = SECRET_SCHEMA_DONT_MATCH_NAME;
        s.attributes[0] = {"service", SECRET_SCHEMA_ATTRIBUTE_STRING};
        s.attributes[1] = {"account", SECRET_SCHEMA_ATTRIBUTE_STRING};
        return s;
    }();
    return &value;
}

// Runs the call on a thread of its own and waits for it at most `timeout`: libsecret's calls
// wait for as long as the bus or the keyring does not answer. A call that overruns is
// cancelled and left to finish on its own.
std::optional<std::string>
withinTime(std::chrono::milliseconds timeout,
           std::function<std::optional<std::string>(GCancellable*)> call) {
    if (!sessionBusAddress())
        return std::nullopt;
    struct State {
        std::mutex mutex;
        std::condition_variable finished;
        bool done = false;
        std::optional<std::string> result;
        GCancellable* cancellable = g_cancellable_new();
        ~State() { g_object_unref(cancellable); }
    };
    auto state = std::make_shared<State>();
    std::thread([state, call = std::move(call)] {
        auto result = call(state->cancellable);
        std::lock_guard lock(state->mutex);
        state->result = std::move(result);
        state->done = true;
        state->finished.notify_all();
    }).detach();
    std::unique_lock lock(state->mutex);
    if (!state->finished.wait_for(lock, timeout, [&] { return state->done; })) {
        g_cancellable_cancel(state->cancellable);
        return std::nullopt;
    }
    return std::move(state->result);
}

void drop(GError* error) {
    if (error)
        g_error_free(error);
}

} // namespace

std::optional<std::string> read(std::string_view account, std::chrono::milliseconds timeout) {
    return withinTime(
        timeout,
        [account = std::string(account)](GCancellable* cancellable) -> std::optional<std::string> {
            GError* error = nullptr;
            SecretValue* value = secret_password_lookup_binary_sync(
                schema(), cancellable, &error, "service", std::string(service).c_str(), "account",
                account.c_str(), nullptr);
            drop(error);
            if (!value)
                return std::nullopt;
            gsize length = 0;
            const gchar* bytes = secret_value_get(value, &length);
            std::string text(bytes ? bytes : "", bytes ? length : 0);
            secret_value_unref(value);
            if (text::validUTF8(text) != text)
                return std::nullopt;
            return text;
        });
}

void write(std::string_view value, std::string_view account, std::chrono::milliseconds timeout) {
    withinTime(timeout,
               [value = std::string(value), account = std::string(account)](
                   GCancellable* cancellable) -> std::optional<std::string> {
                   GError* error = nullptr;
                   SecretValue* secret =
                       secret_value_new(value.data(), gssize(value.size()), "text/plain");
                   secret_password_store_binary_sync(schema(), SECRET_COLLECTION_DEFAULT,
                                                     "Tavro session", secret, cancellable, &error,
                                                     "service", std::string(service).c_str(),
                                                     "account", account.c_str(), nullptr);
                   secret_value_unref(secret);
                   drop(error);
                   return std::nullopt;
               });
}

void remove(std::string_view account, std::chrono::milliseconds timeout) {
    withinTime(
        timeout,
        [account = std::string(account)](GCancellable* cancellable) -> std::optional<std::string> {
            GError* error = nullptr;
            secret_password_clear_sync(schema(), cancellable, &error, "service",
                                       std::string(service).c_str(), "account", account.c_str(),
                                       nullptr);
            drop(error);
            return std::nullopt;
        });
}

} // namespace tavro::Keychain
