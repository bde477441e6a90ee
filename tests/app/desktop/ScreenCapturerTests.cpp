#include "desktop/ScreenCapturer.h"
#include "values/CaptureError.h"

#include <gtest/gtest.h>

using namespace tavro;

namespace {

class RefusingProbe final : public PermissionProbe {
public:
    bool screenRecordingGranted() const override { return false; }
    bool accessibilityTrusted() const override { return false; }
    bool requestScreenRecording() override { return false; }
    void requestAccessibility() override {}
    void openSettingsPane(PermissionPane) override {}
};

CaptureError::Code codeOf(const std::function<void()>& capture) {
    try {
        capture();
    } catch (const CaptureError& error) {
        return error.code();
    }
    ADD_FAILURE() << "no error";
    return CaptureError::Code::captureFailed;
}

} // namespace

TEST(ScreenCapturer, RefusesBeforeGrabbing) {
    RefusingProbe refused;
    EXPECT_EQ(codeOf([&] {
                  ScreenCapturer::captureRegion({10, 10, 3.99, 50}, refused);
              }),
              CaptureError::Code::emptySelection)
        << "a small selection is refused before any permission check";
    EXPECT_EQ(codeOf([&] {
                  ScreenCapturer::captureRegion({10, 10, 50, 3.99}, refused);
              }),
              CaptureError::Code::emptySelection);
    EXPECT_EQ(codeOf([&] {
                  ScreenCapturer::captureRegion({10, 10, 50, 50}, refused);
              }),
              CaptureError::Code::permissionDenied);
    EXPECT_EQ(codeOf([&] {
                  ScreenCapturer::captureDisplay({10, 10}, refused);
              }),
              CaptureError::Code::permissionDenied);
}

TEST(CaptureError, DescriptionsAreTheUsersTexts) {
    EXPECT_STREQ(CaptureError::captureFailed("no X server").what(),
                 "The screenshot failed: no X server");
    EXPECT_STREQ(CaptureError::writeFailed("disk full").what(),
                 "Couldn't save the screenshot: disk full");
    EXPECT_STREQ(CaptureError::permissionDenied().what(),
                 "Tavro needs Screen Recording permission to take screenshots.");
    EXPECT_STREQ(CaptureError::noDisplay().what(), "Couldn't find the display to capture.");
    EXPECT_STREQ(CaptureError::emptySelection().what(), "That selection was too small to capture.");
}
