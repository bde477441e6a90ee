#pragma once

#include <QObject>

class QSocketNotifier;

namespace tavro {

// SIGTERM and SIGHUP (a desktop session that ends, a service manager, `kill`, a terminal that
// closes) brought to the GUI thread: the handler only writes to a pipe, whose other end the event
// loop watches. One per process.
class TerminationSignal final : public QObject {
    Q_OBJECT

public:
    explicit TerminationSignal(QObject* parent = nullptr);
    ~TerminationSignal() override;
    TerminationSignal(const TerminationSignal&) = delete;
    TerminationSignal& operator=(const TerminationSignal&) = delete;

signals:
    void received();

private:
    QSocketNotifier* notifier_ = nullptr;
};

// Quits the application on SIGTERM or SIGHUP the way its Quit command does, so that what quitting
// keeps (the notes being typed, the window frames) is kept too.
void quitOnTermination(QObject* parent);

} // namespace tavro
