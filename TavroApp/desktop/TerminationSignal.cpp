#include "desktop/TerminationSignal.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace tavro {

namespace {

int pipeEnds[2] = {-1, -1};

// A service manager or `kill` stops the app with SIGTERM; a terminal that closes, or a session
// that hangs up, sends SIGHUP.
constexpr int handledSignals[] = {SIGTERM, SIGHUP};

void onTerminate(int) {
    const int saved = errno;
    [[maybe_unused]] const auto written = write(pipeEnds[1], "t", 1);
    errno = saved;
}

} // namespace

TerminationSignal::TerminationSignal(QObject* parent)
    : QObject(parent) {
    if (pipeEnds[0] < 0 && pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    notifier_ = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        char drained[16];
        while (read(pipeEnds[0], drained, sizeof drained) > 0) {
        }
        emit received();
    });
    struct sigaction action {};
    action.sa_handler = onTerminate;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : handledSignals)
        sigaction(number, &action, nullptr);
}

TerminationSignal::~TerminationSignal() {
    for (const int number : handledSignals)
        ::signal(number, SIG_DFL);
}

void quitOnTermination(QObject* parent) {
    auto* termination = new TerminationSignal(parent);
    QObject::connect(termination, &TerminationSignal::received, QCoreApplication::instance(),
                     &QCoreApplication::quit, Qt::QueuedConnection);
}

} // namespace tavro
