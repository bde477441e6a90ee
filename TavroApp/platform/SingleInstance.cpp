#include "platform/SingleInstance.h"

#include "shell/Utf8.h"

#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>

namespace tavro {

namespace {

constexpr int handOverTimeoutMs = 2000;
constexpr qint64 longestRequest = 64;

} // namespace

QString SingleInstance::socketPath() {
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return QDir(folder).filePath(QStringLiteral("tavro.sock"));
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

bool SingleInstance::listen() {
    const QString path = socketPath();
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_.listen(path)) {
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
