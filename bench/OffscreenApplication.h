#pragma once

#include <QApplication>
#include <QByteArray>

namespace tavro::bench {

// The one application of a benchmark program that builds widgets, on Qt's offscreen platform
// unless QT_QPA_PLATFORM says otherwise. `name` lives as long as the program.
inline QApplication& offscreenApplication(char* name) {
    static int argc = 1;
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    return *app;
}

} // namespace tavro::bench
