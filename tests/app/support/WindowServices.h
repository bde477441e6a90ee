#pragma once

#include "capture/HotkeyManager.h"
#include "desktop/HotkeyRegistrar.h"
#include "desktop/KeyEventSource.h"
#include "desktop/PermissionsService.h"
#include "values/Preferences.h"
#include "values/Utf8.h"

#include "FlowFakes.h"
#include "RecordingActions.h"
#include "TempLibrary.h"

#include <QSettings>

namespace tavro::test {

// What the settings window and onboarding observe, over a profile of their own: preferences in
// a temporary settings file, permissions from a probe the test sets, a shortcut manager that
// arms nothing.
struct WindowServices {
    WindowServices()
        : legacy(toQString((folder.path() / "legacy.conf").string()), QSettings::IniFormat)
        , preferences(std::make_unique<QSettings>(file(), QSettings::IniFormat), legacy)
        , permissions(probe)
        , hotkeys(registrar, keys, probe) {}

    QString file() const { return toQString((folder.path() / "Tavro.conf").string()); }

    TempFolder folder;
    QSettings legacy;
    Preferences preferences;
    FakeProbe probe;
    PermissionsService permissions;
    NullHotkeyRegistrar registrar;
    NullKeyEventSource keys;
    HotkeyManager hotkeys;
    test::RecordingActions actions;
};

} // namespace tavro::test
