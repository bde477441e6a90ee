// The settings window's account tab in the real program, against the stand-in of the web service
// and a private keyring, driven from the keyboard (each control reached by its accessible name):
// signing in with the code the pane shows,
// syncing a capture made in the app, the sync log, and signing out.
#include "DesktopSession.h"

#include "model/Uuid.h"
#include "store/CaptureStore.h"

#include "PrivateKeyring.h"
#include "SyncService.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace tavro;
using tavro::test::DesktopSession;

namespace {

std::unique_ptr<CaptureStore> openStore(const DesktopSession& session) {
    fs::create_directories(session.library());
    return std::make_unique<CaptureStore>(session.database(),
                                          std::make_shared<NullStoreChangeNotifier>());
}

std::optional<std::string> signedInUser(const DesktopSession& session) {
    return openStore(session)->currentUserID();
}

Capture textCapture(const std::string& note) {
    Capture capture;
    capture.id = makeUUID();
    capture.createdAt = capture.updatedAt = now();
    capture.note = note;
    capture.captureMode = CaptureMode::text;
    return capture;
}

void press(const DesktopSession& session, const std::string& keys) {
    session.key(keys);
}

const std::string settingsTitle = "Tavro Settings";

// Gives the button named `name` the focus and presses Space on it.
void pressButton(const DesktopSession& session, const std::string& name,
                 const std::string& window = settingsTitle,
                 const std::string& role = "push button") {
    ASSERT_TRUE(session.focusControl(window, role, name)) << name;
    press(session, "space");
}

} // namespace

TEST(AccountTabTest, SignsInSyncsShowsTheLogAndSignsOutKeepingLocalCaptures) {
    test::PrivateKeyring keyring;
    test::SyncService service;
    service.configure({{"device_interval", 1}});
    DesktopSession session;
    session.completeOnboarding();
    Capture local = textCapture("Filed before signing in");
    openStore(session)->insert(local);

    const char* bus = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    ASSERT_TRUE(bus) << "runs on a session bus of its own";
    session.useSessionBus(bus);
    session.launchTavro({}, {"TAVRO_API_URL=" + service.baseURL(), "BROWSER=true"});
    ASSERT_TRUE(session.waitForWindow("^Tavro$"));
    auto settings = session.openSettingsFromBoard();
    ASSERT_TRUE(settings);
    ASSERT_TRUE(session.clickControl(settingsTitle, "page tab", "Account"));
    session.screenshot("account-signed-out");

    pressButton(session, "Sign in…");
    ASSERT_TRUE(
        DesktopSession::waitUntil([&] { return !service.inspect("device-codes").empty(); }, 10s));
    session.screenshot("account-code");
    const auto codes = service.inspect("device-codes");
    const std::string userCode = codes.back()["user_code"];
    // The first pass after signing in fails, so that the log has a line to show.
    service.inject({.route = "/v1/sync*", .status = 500, .body = "down for a moment"});
    service.approve(userCode);
    ASSERT_TRUE(DesktopSession::waitUntil([&] { return signedInUser(session).has_value(); }, 15s));
    EXPECT_EQ(*signedInUser(session), test::SyncService::userID);
    ASSERT_TRUE(
        DesktopSession::waitUntil([&] { return !openStore(session)->syncLog(60).empty(); }, 15s));
    const auto line = openStore(session)->syncLog(60).front();
    EXPECT_EQ(line.level, "error");
    session.screenshot("account-signed-in");

    // A capture made in the app now is filed in the workspace, and "Sync now" sends it.
    EXPECT_EQ(session.runTavro({"--new-issue"}), 0);
    ASSERT_TRUE(session.waitForWindow("^Tavro Note$"));
    ASSERT_TRUE(session.waitForFocus(session.windowsNamed("^Tavro Note$").front()));
    session.type("Made after signing in");
    session.key("ctrl+Return");
    std::optional<Capture> made;
    ASSERT_TRUE(DesktopSession::waitUntil(
        [&] {
            for (const Capture& capture : session.storedCaptures())
                if (capture.note == "Made after signing in")
                    made = capture;
            return made.has_value();
        },
        5s));
    EXPECT_EQ(made->workspaceID, test::SyncService::workspaceID);

    // A new settings window.
    EXPECT_TRUE(session.activate(*settings));
    press(session, "alt+F4");
    ASSERT_TRUE(DesktopSession::waitUntil(
        [&] { return session.windowsNamed("^Tavro Settings$").empty(); }, 5s));
    settings = session.openSettingsFromBoard();
    ASSERT_TRUE(settings);
    ASSERT_TRUE(session.clickControl(settingsTitle, "page tab", "Account"));
    const auto lastSync = openStore(session)->syncMeta("last_sync");
    pressButton(session, "Sync now");
    EXPECT_TRUE(DesktopSession::waitUntil(
        [&] { return openStore(session)->syncMeta("last_sync") != lastSync; }, 15s));
    EXPECT_TRUE(DesktopSession::waitUntil(
        [&] { return service.inspect("state")["tables"]["captures"].contains(made->id); }, 15s));
    session.screenshot("account-synced");

    pressButton(session, "Sync log", settingsTitle, "check box"); // a disclosure
    session.screenshot("account-log");

    pressButton(session, "Sign out…");
    ASSERT_TRUE(session.waitForWindow("^Sign out of Tavro\\?$", 5s));
    ASSERT_TRUE(session.waitForFocus(session.windowsNamed("^Sign out of Tavro\\?$").front()));
    session.screenshot("account-sign-out-alert");
    EXPECT_TRUE(signedInUser(session).has_value()) << "nothing happens before the answer";
    pressButton(session, "Sign Out", "Sign out of Tavro?");
    ASSERT_TRUE(DesktopSession::waitUntil([&] { return !signedInUser(session); }, 10s));
    session.screenshot("account-signed-out-again");
    const auto kept = session.storedCaptures();
    EXPECT_TRUE(std::ranges::any_of(kept, [&](const Capture& c) { return c.id == local.id; }));
    EXPECT_FALSE(std::ranges::any_of(kept, [&](const Capture& c) { return c.id == made->id; }))
        << "the workspace's captures leave with the account";
}
