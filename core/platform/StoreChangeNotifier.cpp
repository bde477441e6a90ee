#include "platform/StoreChangeNotifier.h"

#include "platform/SessionBus.h"

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <dlfcn.h>
#include <gio/gio.h>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace tavro {

namespace {

// How long a process that exits waits for its last signal to leave.
constexpr auto exitGrace = std::chrono::milliseconds(1000);

// The calls a post makes, from GIO loaded by the first post. Most runs of the agent server only
// read; linking GIO would have every start load and relocate it and GLib with their
// dependencies.
struct Gio {
    decltype(&g_dbus_connection_new_for_address_sync) connect = nullptr;
    decltype(&g_dbus_connection_set_exit_on_close) setExitOnClose = nullptr;
    decltype(&g_dbus_connection_is_closed) isClosed = nullptr;
    decltype(&g_dbus_connection_emit_signal) emitSignal = nullptr;
    decltype(&g_dbus_connection_flush_sync) flushSync = nullptr;
    decltype(&g_dbus_connection_get_unique_name) uniqueName = nullptr;
    decltype(&g_error_free) freeError = nullptr;
};

template <class Function> bool resolve(void* library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(dlsym(library, name));
    return function != nullptr;
}

// Nothing when GIO cannot be loaded: posting then does nothing, as without a bus. The library
// stays loaded for the life of the process.
const Gio* gio() {
    static const std::optional<Gio> loaded = []() -> std::optional<Gio> {
        void* library = dlopen("libgio-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
        if (!library)
            return std::nullopt;
        Gio calls;
        if (!resolve(library, "g_dbus_connection_new_for_address_sync", calls.connect) ||
            !resolve(library, "g_dbus_connection_set_exit_on_close", calls.setExitOnClose) ||
            !resolve(library, "g_dbus_connection_is_closed", calls.isClosed) ||
            !resolve(library, "g_dbus_connection_emit_signal", calls.emitSignal) ||
            !resolve(library, "g_dbus_connection_flush_sync", calls.flushSync) ||
            !resolve(library, "g_dbus_connection_get_unique_name", calls.uniqueName) ||
            !resolve(library, "g_error_free", calls.freeError))
            return std::nullopt;
        return calls;
    }();
    return loaded ? &*loaded : nullptr;
}

// The bus's name for the process's connection, once it is open.
struct SenderName {
    std::mutex mutex;
    std::optional<std::string> name;
};

SenderName& processSender() {
    static SenderName* name = new SenderName; // read by listeners until the very end
    return *name;
}

// One connection per process, opened on first use; a failed attempt is not retried on every
// post, so a missing bus costs nothing after the first write.
GDBusConnection* sharedConnection(const Gio& gio) {
    static std::once_flag once;
    static GDBusConnection* connection = nullptr;
    std::call_once(once, [&gio] {
        auto address = sessionBusAddress();
        if (!address)
            return;
        GError* error = nullptr;
        connection =
            gio.connect(address->c_str(),
                        GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                             G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
                        nullptr, nullptr, &error);
        if (error)
            gio.freeError(error);
        if (!connection)
            return;
        gio.setExitOnClose(connection, FALSE);
        if (const char* unique = gio.uniqueName(connection)) {
            std::lock_guard lock(processSender().mutex);
            processSender().name = unique;
        }
    });
    return connection;
}

void emitAndFlush() {
    const Gio* calls = sessionBusAddress() ? gio() : nullptr;
    if (!calls)
        return;
    GDBusConnection* connection = sharedConnection(*calls);
    if (!connection || calls->isClosed(connection))
        return;
    GError* error = nullptr;
    calls->emitSignal(connection, nullptr, DBusStoreChangeNotifier::objectPath.data(),
                      DBusStoreChangeNotifier::interfaceName.data(),
                      DBusStoreChangeNotifier::signalName.data(), nullptr, &error);
    if (error) {
        calls->freeError(error);
        return;
    }
    calls->flushSync(connection, nullptr, nullptr);
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

std::optional<std::string> DBusStoreChangeNotifier::senderName() {
    std::lock_guard lock(processSender().mutex);
    return processSender().name;
}

std::shared_ptr<StoreChangeNotifier> defaultStoreChangeNotifier() {
    static auto notifier = std::make_shared<DBusStoreChangeNotifier>();
    return notifier;
}

} // namespace tavro
