#pragma once

#include <memory>

namespace tavro {

enum class PermissionPane { screenRecording, accessibility };

// What the desktop says about the two privacy permissions, and its ways to ask for them.
class PermissionProbe {
public:
    virtual ~PermissionProbe() = default;

    // Non-prompting checks.
    virtual bool screenRecordingGranted() const = 0;
    virtual bool accessibilityTrusted() const = 0;
    // Asks for access; true when it is granted.
    virtual bool requestScreenRecording() = 0;
    // Shows the desktop's prompt when not trusted.
    virtual void requestAccessibility() = 0;
    virtual void openSettingsPane(PermissionPane pane) = 0;
};

// X11 grants any client both: screen grabs and key events need no consent, so nothing is
// ever asked for or opened.
class X11PermissionProbe final : public PermissionProbe {
public:
    bool screenRecordingGranted() const override { return true; }
    bool accessibilityTrusted() const override { return true; }
    bool requestScreenRecording() override { return true; }
    void requestAccessibility() override {}
    void openSettingsPane(PermissionPane) override {}
};

std::unique_ptr<PermissionProbe> makePlatformPermissionProbe();

} // namespace tavro
