#pragma once

#include "values/Preferences.h"
#include "values/Utf8.h"

#include "TempLibrary.h"

#include <QSettings>

#include <memory>

namespace tavro::test {

// Preferences in a folder of their own, with an empty former release's domain beside them.
struct TestPreferences {
    TempFolder folder;
    QSettings legacy{toQString((folder.path() / "legacy.conf").string()), QSettings::IniFormat};
    Preferences preferences{
        std::make_unique<QSettings>(toQString((folder.path() / "current.conf").string()),
                                    QSettings::IniFormat),
        legacy};
};

} // namespace tavro::test
