#pragma once

#include "desktop/PermissionProbe.h"
#include "values/RestartableTimer.h"

#include <QObject>

#include <memory>

namespace tavro {

// The app's one view of the Screen Recording and Accessibility permissions. Both flags are read
// at construction; afterwards they change only on refresh(), a request, or the poll that
// onboarding runs while it is shown.
class PermissionsService final : public QObject {
    Q_OBJECT

public:
    explicit PermissionsService(PermissionProbe& probe, QObject* parent = nullptr);
    // `poll` counts down each second of the poll.
    PermissionsService(PermissionProbe& probe, std::unique_ptr<RestartableTimer> poll,
                       QObject* parent = nullptr);
    PermissionsService(const PermissionsService&) = delete;
    PermissionsService& operator=(const PermissionsService&) = delete;

    bool hasScreenRecording() const { return hasScreenRecording_; }
    bool hasAccessibility() const { return hasAccessibility_; }
    bool isPolling() const { return poll_->isActive(); }

    // Re-reads both permissions; announces a change even when nothing changed.
    void refresh();
    void beginPolling();
    void stopPolling();

    // Asks for access and opens the settings pane when it is still refused.
    void requestScreenRecording();
    void requestAccessibility();
    void openScreenRecordingSettings();
    void openAccessibilitySettings();

signals:
    void changed();

private:
    PermissionProbe& probe_;
    void pollSoon();

    std::unique_ptr<RestartableTimer> poll_;
    bool hasScreenRecording_ = false;
    bool hasAccessibility_ = false;
};

} // namespace tavro
