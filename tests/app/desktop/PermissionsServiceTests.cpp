#include "desktop/PermissionsService.h"

#include "FakeTimer.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <vector>

using namespace tavro;

namespace {

// A desktop whose answers the test sets; it records the panes it was asked to open.
class ScriptedProbe final : public PermissionProbe {
public:
    bool screenRecordingGranted() const override { return screenRecording; }
    bool accessibilityTrusted() const override { return accessibility; }
    bool requestScreenRecording() override {
        ++screenRecordingRequests;
        return screenRecording;
    }
    void requestAccessibility() override { ++accessibilityRequests; }
    void openSettingsPane(PermissionPane pane) override { panes.push_back(pane); }

    bool screenRecording = false;
    bool accessibility = false;
    int screenRecordingRequests = 0;
    int accessibilityRequests = 0;
    std::vector<PermissionPane> panes;
};

} // namespace

TEST(PermissionsService, X11GrantsBothWithoutAsking) {
    auto probe = makePlatformPermissionProbe();
    PermissionsService service(*probe);
    EXPECT_TRUE(service.hasScreenRecording());
    EXPECT_TRUE(service.hasAccessibility());
    service.requestScreenRecording();
    service.requestAccessibility();
    EXPECT_TRUE(service.hasScreenRecording());
    EXPECT_TRUE(service.hasAccessibility());
}

TEST(PermissionsService, FlagsFollowTheDesktopOnlyWhenRefreshedOrPolled) {
    ScriptedProbe probe;
    probe.accessibility = true;
    auto timer = std::make_unique<test::FakeTimer>();
    test::FakeTimer& poll = *timer;
    PermissionsService service(probe, std::move(timer));
    EXPECT_FALSE(service.hasScreenRecording());
    EXPECT_TRUE(service.hasAccessibility());

    probe.screenRecording = true;
    EXPECT_FALSE(service.hasScreenRecording());
    QSignalSpy spy(&service, &PermissionsService::changed);
    service.refresh();
    service.refresh();
    EXPECT_TRUE(service.hasScreenRecording());
    EXPECT_EQ(spy.count(), 2) << "every refresh announces, changed or not";

    service.stopPolling();
    EXPECT_FALSE(service.isPolling());
    service.beginPolling();
    service.beginPolling();
    EXPECT_TRUE(service.isPolling());
    probe.screenRecording = false;
    spy.clear();
    poll.fire();
    EXPECT_EQ(spy.count(), 1);
    EXPECT_FALSE(service.hasScreenRecording());
    EXPECT_TRUE(service.isPolling()) << "the poll goes on";

    service.stopPolling();
    probe.screenRecording = true;
    spy.clear();
    poll.fire();
    EXPECT_EQ(spy.count(), 0);
    EXPECT_FALSE(service.hasScreenRecording());
}

TEST(PermissionsService, RequestsOpenAPaneOnlyForRefusedScreenRecording) {
    ScriptedProbe probe;
    PermissionsService service(probe);
    service.requestScreenRecording();
    EXPECT_EQ(probe.panes, std::vector{PermissionPane::screenRecording});
    EXPECT_FALSE(service.hasScreenRecording());

    probe.screenRecording = true;
    probe.panes.clear();
    service.requestScreenRecording();
    EXPECT_TRUE(probe.panes.empty());
    EXPECT_TRUE(service.hasScreenRecording());

    probe.accessibility = true;
    service.requestAccessibility();
    EXPECT_EQ(probe.accessibilityRequests, 1);
    EXPECT_TRUE(probe.panes.empty());
    EXPECT_TRUE(service.hasAccessibility());

    service.openAccessibilitySettings();
    EXPECT_EQ(probe.panes, std::vector{PermissionPane::accessibility});
}
