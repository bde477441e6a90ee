#include "desktop/SessionBusCheck.h"

#include "platform/SessionBus.h"

#include <gio/gio.h>

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

namespace tavro {

struct SessionBusCheck::Attempt {
    std::string address;
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    bool answered = false;
    GCancellable* cancellable = g_cancellable_new();
    ~Attempt() { g_object_unref(cancellable); }
};

SessionBusCheck::SessionBusCheck(std::chrono::milliseconds patience)
    : deadline_(std::chrono::steady_clock::now() + patience) {
    const auto address = sessionBusAddress();
    if (!address)
        return;
    attempt_ = std::make_shared<Attempt>();
    attempt_->address = *address;
    // Left to finish on its own (cancelled) when it overruns.
    std::thread([attempt = attempt_] {
        GError* error = nullptr;
        GDBusConnection* connection = g_dbus_connection_new_for_address_sync(
            attempt->address.c_str(),
            GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                 G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, attempt->cancellable, &error);
        if (error)
            g_error_free(error);
        if (connection) {
            g_dbus_connection_set_exit_on_close(connection, FALSE);
            g_dbus_connection_close_sync(connection, nullptr, nullptr);
            g_object_unref(connection);
        }
        std::lock_guard lock(attempt->mutex);
        attempt->answered = connection != nullptr;
        attempt->done = true;
        attempt->finished.notify_all();
    }).detach();
}

SessionBusCheck::~SessionBusCheck() {
    if (attempt_)
        g_cancellable_cancel(attempt_->cancellable);
}

bool SessionBusCheck::giveUpIfSilent() {
    if (!attempt_)
        return false;
    {
        std::unique_lock lock(attempt_->mutex);
        attempt_->finished.wait_until(lock, deadline_, [this] { return attempt_->done; });
        if (attempt_->answered)
            return false;
    }
    g_cancellable_cancel(attempt_->cancellable);
    std::fprintf(stderr, "[tavro] the session bus at %s does not answer; going on without it\n",
                 attempt_->address.c_str());
    setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
    return true;
}

} // namespace tavro
