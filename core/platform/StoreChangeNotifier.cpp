#include "platform/StoreChangeNotifier.h"

#include "platform/SessionBus.h"

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <gio/gio.h>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace tavro {

namespace {

// How long a process that exits waits for its last signal to leave.
constexpr auto exitGrace = std::chrono::milliseconds(1000);

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

void emitAndFlush() {
    GDBusConnection* connection = sharedConnection();
    if (!connection || g_dbus_connection_is_closed(connection))
        return;
    GError* error = nullptr;
    g_dbus_connection_emit_signal(connection, nullptr, DBusStoreChangeNotifier::objectPath.data(),
                                  DBusStoreChangeNotifier::interfaceName.data(),
                                  DBusStoreChangeNotifier::signalName.data(), nullptr, &error);
    if (error) {
        g_error_free(error);
        return;
    }
    g_dbus_connection_flush_sync(connection, nullptr, nullptr);
}

// Connecting to a bus and flushing to it wait for as long as the bus does not answer (a bus
// that accepts and never replies, a stopped daemon), so signals leave from a thread of their
// own and a store write never waits for them. Posts made while one is still on its way fold
// into a single later one: the signal carries no detail, and a bus that does not answer then
// costs one stuck signal, not a queue that grows with every write.
class Poster {
public:
    void post() {
        std::lock_guard lock(mutex_);
        if (!started_) {
            started_ = true;
            std::thread([this] { run(); }).detach();
            std::atexit([] { instance().drain(exitGrace); });
        }
        requested_ = true;
        wake_.notify_one();
    }

    // An agent server may exit right after its write: give the last signal a moment to leave,
    // and no more when the bus does not take it.
    void drain(std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        idle_.wait_for(lock, timeout, [this] { return !requested_ && !delivering_; });
    }

    // Never destroyed: the detached thread may still be inside a stuck call at exit.
    static Poster& instance() {
        static Poster* poster = new Poster;
        return *poster;
    }

private:
    void run() {
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return requested_; });
            requested_ = false;
            delivering_ = true;
            lock.unlock();
            emitAndFlush();
            lock.lock();
            delivering_ = false;
            idle_.notify_all();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    bool started_ = false;
    bool requested_ = false;
    bool delivering_ = false;
};

} // namespace

void DBusStoreChangeNotifier::post() {
    Poster::instance().post();
}

std::shared_ptr<StoreChangeNotifier> defaultStoreChangeNotifier() {
    static auto notifier = std::make_shared<DBusStoreChangeNotifier>();
    return notifier;
}

} // namespace tavro
