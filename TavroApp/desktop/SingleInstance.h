#pragma once

#include "values/AppRequest.h"

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

#include <memory>

namespace tavro {

// One running app per user: a later start hands its request to the running one through a
// local socket in the user's runtime folder and exits. Which copy runs is settled by a lock
// file beside the socket, so two copies starting at once never take each other's socket.
class SingleInstance final : public QObject {
    Q_OBJECT

public:
    enum class Role {
        primary,    // this copy is the running app: it holds the lock until it goes
        handedOver, // a running app took the request
        unanswered, // another copy holds the lock but did not answer in time
    };

    static constexpr int startPatienceMs = 10000;

    using QObject::QObject;
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    static QString socketPath();
    static QString lockPath();
    // True when a running app took the request.
    static bool handOver(AppRequest::Kind kind);

    // Hands the request over, or makes this copy the running app when no other holds the lock.
    // A copy that holds it but is still starting answers once it listens: this waits for it up
    // to `patienceMs`.
    Role start(AppRequest::Kind kind, int patienceMs = startPatienceMs);
    // Starts answering later starts; only the primary copy listens, and replaces a socket that
    // a crashed app left behind.
    bool listen();

signals:
    void requested(tavro::AppRequest::Kind kind);

private:
    void accept();

    std::unique_ptr<QLockFile> lock_;
    bool primary_ = false;
    QLocalServer server_;
};

} // namespace tavro
