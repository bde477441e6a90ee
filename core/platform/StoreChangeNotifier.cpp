#include "platform/StoreChangeNotifier.h"

#include <cstdlib>
#include <filesystem>
#include <gio/gio.h>
#include <mutex>
#include <optional>
#include <string>

namespace tavro {

namespace {

std::optional<std::string> sessionBusAddress() {
    if (const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS"); address && *address)
        return std::string(address);
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
        std::error_code error;
        auto socket = std::filesystem::path(runtime) / "bus";
        if (std::filesystem::exists(socket, error))
            return "unix:path=" + socket.string();
    }
    return std::nullopt;
}

// One connection per process, opened on first use; a failed attempt is not retried on every
// post, so a missing bus costs nothing after the first write.
GDBusConnection* sharedConnection() {
    static std::once_flag once;
    static GDBusConnection* connection = nullptr;
    std::call_once(once, [] {
        auto address = sessionBusAddress();
        if (!address)
            return;
        GError* error = nullptr;
        connection = g_dbus_connection_new_for_address_sync(
            address->c_str(),
            GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                 G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr, &error);
        if (error)
            g_error_free(error);
        if (connection)
            g_dbus_connection_set_exit_on_close(connection, FALSE);
    });
    return connection;
}

} // namespace

void DBusStoreChangeNotifier::post() {
    GDBusConnection* connection = sharedConnection();
    if (!connection || g_dbus_connection_is_closed(connection))
        return;
    GError* error = nullptr;
    g_dbus_connection_emit_signal(connection, nullptr, objectPath.data(), interfaceName.data(),
                                  signalName.data(), nullptr, &error);
    if (error) {
        g_error_free(error);
        return;
    }
    // Delivered now, not when the worker thread gets round to it: an agent server may exit
    // right after its write.
    g_dbus_connection_flush_sync(connection, nullptr, nullptr);
}

std::shared_ptr<StoreChangeNotifier> defaultStoreChangeNotifier() {
    static auto notifier = std::make_shared<DBusStoreChangeNotifier>();
    return notifier;
}

} // namespace tavro
