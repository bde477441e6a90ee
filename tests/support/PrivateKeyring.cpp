#include "PrivateKeyring.h"

#include <gio/gio.h>

#include <chrono>
#include <csignal>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;

namespace tavro::test {

bool secretServiceRuns() {
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    if (!bus)
        return false;
    GVariant* reply = g_dbus_connection_call_sync(
        bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
        "NameHasOwner", g_variant_new("(s)", "org.freedesktop.secrets"), G_VARIANT_TYPE("(b)"),
        G_DBUS_CALL_FLAGS_NONE, 1000, nullptr, nullptr);
    gboolean owned = FALSE;
    if (reply) {
        g_variant_get(reply, "(b)", &owned);
        g_variant_unref(reply);
    }
    g_object_unref(bus);
    return owned;
}

PrivateKeyring::PrivateKeyring() {
    int input[2];
    if (pipe(input) != 0)
        throw std::runtime_error("pipe failed");
    pid_ = fork();
    if (pid_ == 0) {
        dup2(input[0], 0);
        close(input[1]);
        execlp("gnome-keyring-daemon", "gnome-keyring-daemon", "--unlock", "--components=secrets",
               "--foreground", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(input[0]);
    [[maybe_unused]] auto written = ::write(input[1], "test", 4);
    close(input[1]);
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!secretServiceRuns() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(20ms);
}

PrivateKeyring::~PrivateKeyring() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
}

} // namespace tavro::test
