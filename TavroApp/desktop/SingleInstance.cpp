#include "desktop/SingleInstance.h"

#include "values/Utf8.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

namespace tavro {

namespace {

constexpr int handOverTimeoutMs = 2000;
constexpr qint64 longestRequest = 64;
constexpr int retryMs = 50;

QString inRuntimeFolder(const QString& name) {
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return QDir(folder).filePath(name);
}

} // namespace

QString SingleInstance::socketPath() {
    return inRuntimeFolder(QStringLiteral("tavro.sock"));
}

QString SingleInstance::lockPath() {
    return inRuntimeFolder(QStringLiteral("tavro.lock"));
}

bool SingleInstance::handOver(AppRequest::Kind kind) {
    QLocalSocket socket;
    socket.connectToServer(socketPath());
    if (!socket.waitForConnected(handOverTimeoutMs))
        return false;
    const QByteArray line =
        QByteArray(argumentFor(kind).data(), qsizetype(argumentFor(kind).size())) + '\n';
    socket.write(line);
    if (!socket.waitForBytesWritten(handOverTimeoutMs))
        return false;
    // The running app answers once it has the request.
    return socket.waitForReadyRead(handOverTimeoutMs) && socket.readAll().startsWith("ok");
}

SingleInstance::Role SingleInstance::start(AppRequest::Kind kind, int patienceMs) {
    auto lock = std::make_unique<QLockFile>(lockPath());
    // Held for the app's whole life: never stale by age, only when its process is gone.
    lock->setStaleLockTime(0);
    const QDeadlineTimer deadline(patienceMs);
    for (;;) {
        if (handOver(kind))
            return Role::handedOver;
        if (lock->tryLock(0)) {
            lock_ = std::move(lock);
            primary_ = true;
            return Role::primary;
        }
        // A folder where no lock can be made at all must not keep the app from starting: which
        // instance runs is then settled by the socket alone.
        if (lock->error() != QLockFile::LockFailedError) {
            primary_ = true;
            return Role::primary;
        }
        if (deadline.hasExpired())
            return Role::unanswered;
        QThread::msleep(retryMs);
    }
}

bool SingleInstance::listen() {
    if (!primary_)
        return false;
    const QString path = socketPath();
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_.listen(path)) {
        // Only the copy holding the lock gets here, so the socket is a crashed app's.
        QLocalServer::removeServer(path);
        if (!server_.listen(path))
            return false;
    }
    connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::accept);
    return true;
}

void SingleInstance::accept() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > longestRequest)
                    socket->disconnectFromServer();
                return;
            }
            const QByteArray line = socket->readLine(longestRequest).trimmed();
            const auto kind =
                requestKindFromArgument(std::string_view(line.constData(), size_t(line.size())));
            socket->write(kind ? "ok\n" : "unknown\n");
            socket->flush();
            socket->disconnectFromServer();
            if (kind)
                emit requested(*kind);
        });
    }
}

} // namespace tavro
