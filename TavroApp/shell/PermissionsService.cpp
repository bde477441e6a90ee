#include "shell/PermissionsService.h"

namespace tavro {

PermissionsService::PermissionsService(PermissionProbe& probe, QObject* parent)
    : QObject(parent)
    , probe_(probe) {
    timer_.setInterval(1000);
    connect(&timer_, &QTimer::timeout, this, &PermissionsService::refresh);
    refresh();
}

void PermissionsService::refresh() {
    hasScreenRecording_ = probe_.screenRecordingGranted();
    hasAccessibility_ = probe_.accessibilityTrusted();
    emit changed();
}

void PermissionsService::beginPolling() {
    if (!timer_.isActive())
        timer_.start();
}

void PermissionsService::stopPolling() {
    timer_.stop();
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
