#include "platform/Keychain.h"

#include "PrivateKeyring.h"
#include "ProcessRunner.h"
#include "SilentBus.h"
#include "TempLibrary.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace tavro;
using namespace tavro::test;
using namespace std::chrono_literals;

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

// A session without a Secret Service: nothing is stored anywhere else, and the read gives
// nothing well within its bound. With no session bus at all nothing is asked.
TEST(Keychain, WithoutASecretServiceNothingIsKept) {
    EmptyBus bus;
    TempFolder folder;
    const std::string database = (folder.path() / "tavro.sqlite").string();
    struct Case {
        std::string name;
        std::optional<std::string> address;
    };
    for (const auto& test : {Case{"empty bus", bus.address()}, Case{"no bus", std::nullopt}}) {
        SCOPED_TRACE(test.name);
        ScopedEnv address("DBUS_SESSION_BUS_ADDRESS", test.address);
        ScopedEnv runtime("XDG_RUNTIME_DIR", folder.path().string());
        const auto start = std::chrono::steady_clock::now();
        auto result = ProcessRunner::run({"/usr/bin/timeout", "20", TAVRO_STORE_PROBE,
                                          "keychain-write-read", database, "session", "token"});
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.out, "none\n");
        EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    }
}
