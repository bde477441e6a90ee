#include "platform/Keychain.h"

#include "ProcessRunner.h"
#include "SilentBus.h"
#include "TempLibrary.h"

#include <gio/gio.h>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace tavro;
using namespace tavro::test;
using namespace std::chrono_literals;

namespace {

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

// A private gnome-keyring-daemon on this test's session bus, its login keyring unlocked, with
// its files in a folder of its own.
class PrivateKeyring {
public:
    PrivateKeyring() {
        int input[2];
        if (pipe(input) != 0)
            throw std::runtime_error("pipe failed");
        pid_ = fork();
        if (pid_ == 0) {
            dup2(input[0], 0);
            close(input[1]);
            execlp("gnome-keyring-daemon", "gnome-keyring-daemon", "--unlock",
                   "--components=secrets", "--foreground", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(input[0]);
        [[maybe_unused]] auto written = ::write(input[1], "test", 4);
        close(input[1]);
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (!secretServiceRuns() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(20ms);
    }
    ~PrivateKeyring() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }

private:
    TempFolder folder_;
    ScopedEnv data_{"XDG_DATA_HOME", (folder_.path() / "data").string()};
    ScopedEnv runtime_{"XDG_RUNTIME_DIR", folder_.path().string()};
    int pid_ = -1;
};

} // namespace

TEST(Keychain, StoresReplacesAndRemovesTheSessionToken) {
    PrivateKeyring keyring;
    ASSERT_TRUE(secretServiceRuns());
    const std::string account = "session-test";
    Keychain::remove(account);
    EXPECT_EQ(Keychain::read(account), std::nullopt);
    Keychain::write("first token", account);
    EXPECT_EQ(Keychain::read(account), "first token");
    Keychain::write("second token", account);
    EXPECT_EQ(Keychain::read(account), "second token");
    EXPECT_EQ(Keychain::read("another account"), std::nullopt);
    Keychain::remove(account);
    EXPECT_EQ(Keychain::read(account), std::nullopt);
    Keychain::remove(account); // a missing item is no error

    // Bytes that are not UTF-8 are no token.
    Keychain::write("bad \xFF token", account);
    EXPECT_EQ(Keychain::read(account), std::nullopt);
    Keychain::remove(account);
}

// A keyring behind a bus that never answers costs a read its bound, not the program.
TEST(Keychain, AReadOfAKeyringThatNeverAnswersGivesNothingWithinItsBound) {
    auto expectBounded = [](const std::string& address) {
        ScopedEnv bus("DBUS_SESSION_BUS_ADDRESS", address);
        TempFolder folder;
        auto start = std::chrono::steady_clock::now();
        auto result =
            ProcessRunner::run({"/usr/bin/timeout", "20", TAVRO_STORE_PROBE, "keychain-read",
                                (folder.path() / "tavro.sqlite").string(), "session"});
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.out, "none\n");
        EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
    };
    MuteBus mute;
    expectBounded(mute.address());
    StoppedBus stopped;
    expectBounded(stopped.address());
}
