#include "platform/StoreChangeNotifier.h"

#include "ProcessRunner.h"
#include "SilentBus.h"
#include "TempLibrary.h"
#include "store/CaptureStore.h"

#include <gio/gio.h>
#include <gtest/gtest.h>

#include <chrono>
#include <memory>

using namespace tavro;
using namespace tavro::test;

namespace {

// Listens on the session bus for the store-changed signal.
class SignalListener {
public:
    SignalListener() {
        connection_ = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
        subscription_ = g_dbus_connection_signal_subscribe(
            connection_, nullptr, "dev.tavro.store", "didChange", "/dev/tavro/store", nullptr,
            G_DBUS_SIGNAL_FLAGS_NONE,
            [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant*,
               gpointer self) { ++static_cast<SignalListener*>(self)->received_; },
            this, nullptr);
    }
    ~SignalListener() {
        g_dbus_connection_signal_unsubscribe(connection_, subscription_);
        g_object_unref(connection_);
    }

    bool connected() const { return connection_ != nullptr; }

    // Runs the default main context until `count` signals arrived or the time is up.
    int waitFor(int count, std::chrono::milliseconds timeout) {
        auto deadline = std::chrono::steady_clock::now() + timeout;
        while (received_ < count && std::chrono::steady_clock::now() < deadline) {
            if (!g_main_context_iteration(nullptr, FALSE))
                g_usleep(5000);
        }
        return received_;
    }

private:
    GDBusConnection* connection_ = nullptr;
    guint subscription_ = 0;
    int received_ = 0;
};

} // namespace

TEST(StoreChangeNotifier, AnotherProcessReceivesTheSignal) {
    SignalListener listener;
    ASSERT_TRUE(listener.connected());
    TempFolder folder;
    auto result =
        ProcessRunner::run({TAVRO_STORE_PROBE, "post", (folder.path() / "tavro.sqlite").string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(listener.waitFor(1, std::chrono::seconds(5)), 1);

    // And the signal from this process reaches the listener too.
    defaultStoreChangeNotifier()->post();
    EXPECT_EQ(listener.waitFor(2, std::chrono::seconds(5)), 2);
}

// The agent server loads the bus library only when it writes: its comment still reaches the bus.
TEST(StoreChangeNotifier, TheAgentServersWriteReachesAnotherProcess) {
    SignalListener listener;
    ASSERT_TRUE(listener.connected());
    TempLibrary library;
    std::string id;
    {
        CaptureStore store(library.database(), std::make_shared<NullStoreChangeNotifier>());
        Capture capture{.id = "0d5c2b8e-7f4e-4a51-9f61-0a3e2c7d9b10",
                        .createdAt = 1.7e9,
                        .updatedAt = 1.7e9,
                        .note = "Shared",
                        .imagePath = "2026/03/a.png"};
        store.insert(capture);
        id = capture.id;
    }
    const std::string input =
        R"({"jsonrpc":"2.0","id":1,"method":"tools/call","params":{"name":"comment_on_capture",)"
        R"("arguments":{"id":")" +
        id + R"(","body":"Looked at it."}}})" + "\n";
    auto result = ProcessRunner::run({TAVRO_MCP}, input);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("\"isError\":false"), std::string::npos) << result.out;
    EXPECT_EQ(listener.waitFor(1, std::chrono::seconds(5)), 1);
}

TEST(StoreChangeNotifier, WithoutASessionBusPostingDoesNothingAndNeverHangs) {
    TempFolder folder;
    auto start = std::chrono::steady_clock::now();
    auto result = ProcessRunner::run({"/usr/bin/env", "-u", "DBUS_SESSION_BUS_ADDRESS",
                                      "XDG_RUNTIME_DIR=" + folder.path().string(),
                                      "DISPLAY=", TAVRO_STORE_PROBE, "post",
                                      (folder.path() / "tavro.sqlite").string()});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "posted\n");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

namespace {

// A bus that takes the connection and never answers must cost a writer nothing: every write
// is stored once, and the program finishes (it would hang on its first write otherwise).
void expectWritesFinishUnder(const std::string& busAddress) {
    ScopedEnv address("DBUS_SESSION_BUS_ADDRESS", busAddress);
    TempFolder folder;
    const auto database = folder.path() / "tavro.sqlite";
    auto start = std::chrono::steady_clock::now();
    auto result = ProcessRunner::run(
        {"/usr/bin/timeout", "20", TAVRO_STORE_PROBE, "comments", database.string(), "5"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "done\n");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));

    CaptureStore store(database, std::make_shared<NullStoreChangeNotifier>());
    auto captures = store.db().query("SELECT id FROM captures;");
    ASSERT_EQ(captures.size(), 1u);
    EXPECT_EQ(store.comments(*captures.front().string("id")).size(), 5u);
}

} // namespace

TEST(StoreChangeNotifier, WritesNeverWaitForABusThatAcceptsAndNeverReplies) {
    MuteBus bus;
    expectWritesFinishUnder(bus.address());
}

TEST(StoreChangeNotifier, WritesNeverWaitForAStoppedBusDaemon) {
    StoppedBus bus;
    expectWritesFinishUnder(bus.address());
}
