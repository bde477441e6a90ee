#include "platform/FileRevealer.h"

#include "platform/SessionBus.h"
#include "shell/Utf8.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>

#include <atomic>
#include <system_error>

namespace tavro {

namespace {

constexpr auto service = "org.freedesktop.FileManager1";
constexpr auto objectPath = "/org/freedesktop/FileManager1";
constexpr auto interfaceName = "org.freedesktop.FileManager1";

QUrl fileURL(const std::filesystem::path& file) {
    return QUrl::fromLocalFile(toQString(file.string()));
}

} // namespace

DBusFileRevealer::DBusFileRevealer(QString busAddress, FolderOpener openFolder, int timeoutMs,
                                   QObject* parent)
    : QObject(parent)
    , busAddress_(std::move(busAddress))
    , openFolder_(std::move(openFolder))
    , timeoutMs_(timeoutMs) {
    static std::atomic<int> serial{0};
    connectionName_ = QStringLiteral("tavro-file-revealer-%1").arg(++serial);
}

DBusFileRevealer::~DBusFileRevealer() {
    if (connected_)
        QDBusConnection::disconnectFromBus(connectionName_);
}

RevealOutcome DBusFileRevealer::openFolderOf(const std::filesystem::path& file) {
    std::error_code error;
    const QUrl folder =
        fileURL(std::filesystem::is_directory(file, error) ? file : file.parent_path());
    return openFolder_ && openFolder_(folder) ? RevealOutcome::folderOpened : RevealOutcome::failed;
}

void DBusFileRevealer::reveal(const std::filesystem::path& file, Done done) {
    const auto answer = [done = std::move(done)](RevealOutcome outcome) {
        if (done)
            done(outcome);
    };
    std::error_code error;
    if (!std::filesystem::exists(file, error))
        return answer(RevealOutcome::missing);
    if (busAddress_.isEmpty())
        return answer(openFolderOf(file));
    QDBusConnection bus = QDBusConnection::connectToBus(busAddress_, connectionName_);
    connected_ = true;
    if (!bus.isConnected())
        return answer(openFolderOf(file));

    QDBusMessage call = QDBusMessage::createMethodCall(
        QString::fromLatin1(service), QString::fromLatin1(objectPath),
        QString::fromLatin1(interfaceName), QStringLiteral("ShowItems"));
    call << QStringList{QString::fromLatin1(fileURL(file).toEncoded())} << QString();
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, timeoutMs_), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, file, answer](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                answer(finished->isError() ? openFolderOf(file) : RevealOutcome::shown);
            });
}

std::unique_ptr<FileRevealer> makeFileRevealer() {
    const auto address = sessionBusAddress();
    return std::make_unique<DBusFileRevealer>(
        address ? toQString(*address) : QString(),
        [](const QUrl& folder) { return QDesktopServices::openUrl(folder); });
}

} // namespace tavro
