#include "desktop/PermissionsService.h"

namespace tavro {

namespace {
constexpr int pollIntervalMs = 1000;
}

PermissionsService::PermissionsService(PermissionProbe& probe, QObject* parent)
    : PermissionsService(probe, std::make_unique<QtRestartableTimer>(pollIntervalMs), parent) {}

PermissionsService::PermissionsService(PermissionProbe& probe,
                                       std::unique_ptr<RestartableTimer> poll, QObject* parent)
    : QObject(parent)
    , probe_(probe)
    , poll_(std::move(poll)) {
    refresh();
}

void PermissionsService::refresh() {
    hasScreenRecording_ = probe_.screenRecordingGranted();
    hasAccessibility_ = probe_.accessibilityTrusted();
    emit changed();
}

void PermissionsService::beginPolling() {
    if (!poll_->isActive())
        pollSoon();
}

void PermissionsService::stopPolling() {
    poll_->stop();
}

void PermissionsService::pollSoon() {
    poll_->start([this] {
        // Started again before refreshing, so that a slot that stops polling has the last word.
        pollSoon();
        refresh();
    });
}

void PermissionsService::requestScreenRecording() {
    if (!probe_.requestScreenRecording())
        openScreenRecordingSettings();
    refresh();
}

void PermissionsService::requestAccessibility() {
    probe_.requestAccessibility();
    refresh();
}

void PermissionsService::openScreenRecordingSettings() {
    probe_.openSettingsPane(PermissionPane::screenRecording);
}

void PermissionsService::openAccessibilitySettings() {
    probe_.openSettingsPane(PermissionPane::accessibility);
}

} // namespace tavro
