#pragma once

#include "model/Capture.h"
#include "ui/Icons.h"

#include <QLocale>

#include <optional>
#include <string>

namespace tavro {

// What the detail pane's header bar shows for a capture.
struct DetailHeaderContent {
    std::string title;
    // The application's name, or "Unknown app".
    std::string appName;
    std::optional<std::string> windowTitle;
    // When it was taken, as a medium date and a short time.
    std::string createdAt;
    // Zoom, show in folder and copy: only for a capture with a cover screenshot.
    bool showsImageActions = false;
    Icon zoomSymbol = Icon::arrowsOutward;
    std::string zoomHelp;

    bool operator==(const DetailHeaderContent&) const = default;

    static DetailHeaderContent make(const Capture& capture, bool actualSize,
                                    const QLocale& locale = QLocale::system());
};

// A medium date and a short time in the local time zone: "Jun 5, 2025, 3:41 PM" in English.
std::string capturedAtText(Seconds date, const QLocale& locale);

} // namespace tavro
