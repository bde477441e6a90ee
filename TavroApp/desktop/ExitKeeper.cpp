#include "desktop/ExitKeeper.h"

#include <QCoreApplication>
#include <QThread>

#include <cstdlib>

namespace tavro {

namespace {

// Never destroyed: the handler may run after the program's static objects have begun to go.
std::function<void()>* pending = nullptr;

void runAtExit() {
    if (!pending)
        return;
    const QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread())
        return;
    const std::function<void()> keep = std::move(*pending);
    delete pending;
    pending = nullptr;
    if (keep)
        keep();
}

} // namespace

ExitKeeper::ExitKeeper(std::function<void()> keep) {
    static const bool registered = std::atexit(runAtExit) == 0;
    (void)registered;
    delete pending;
    pending = new std::function<void()>(std::move(keep));
}

ExitKeeper::~ExitKeeper() {
    delete pending;
    pending = nullptr;
}

} // namespace tavro
