#pragma once

#include "shell/AppRequest.h"

#include <QLocalServer>
#include <QObject>
#include <QString>

namespace tavro {

// One running app per user: a later start hands its request to the running one through a
// local socket in the user's runtime folder and exits.
class SingleInstance final : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    static QString socketPath();
    // True when a running app took the request.
    static bool handOver(AppRequest::Kind kind);
    // Starts answering later starts; a socket left by a crashed app is replaced.
    bool listen();

signals:
    void requested(tavro::AppRequest::Kind kind);

private:
    void accept();

    QLocalServer server_;
};

} // namespace tavro
