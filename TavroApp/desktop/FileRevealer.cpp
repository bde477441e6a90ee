#include "desktop/FileRevealer.h"

#include "platform/SessionBus.h"
#include "values/Utf8.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QPointer>
#include <QTimer>

#include <atomic>
#include <memory>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

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

    // One answer per request, whichever comes first: the file manager's, its failure, or the
    // time limit (a bus that never lets the connection in counts against it too).
    auto answered = std::make_shared<bool>(false);
    const auto once = [this, file, answered, answer](std::optional<RevealOutcome> outcome) {
        if (*answered)
            return;
        *answered = true;
        answer(outcome ? *outcome : openFolderOf(file));
    };
    QTimer::singleShot(timeoutMs_, this, [once] { once(std::nullopt); });
    if (connected_)
        return callFileManager(file, once);
    waiting_.push_back([this, file, once](bool connected) {
        if (!connected)
            return once(std::nullopt);
        callFileManager(file, once);
    });
    if (connecting_)
        return;
    connecting_ = true;
    // Connecting waits for the bus, for ever when it takes the connection and never answers:
    // off the GUI thread. QPointer is only read back on the GUI thread.
    QPointer<DBusFileRevealer> self(this);
    std::thread([self, address = busAddress_, name = connectionName_] {
        const bool connected = QDBusConnection::connectToBus(address, name).isConnected();
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, connected] {
                if (self)
                    self->connectionSettled(connected);
            },
            Qt::QueuedConnection);
    }).detach();
}

void DBusFileRevealer::connectionSettled(bool connected) {
    connecting_ = false;
    connected_ = connected;
    for (const auto& request : std::exchange(waiting_, {}))
        request(connected);
}

void DBusFileRevealer::callFileManager(const std::filesystem::path& file,
                                       std::function<void(std::optional<RevealOutcome>)> done) {
    QDBusConnection bus(connectionName_);
    QDBusMessage call = QDBusMessage::createMethodCall(
        QString::fromLatin1(service), QString::fromLatin1(objectPath),
        QString::fromLatin1(interfaceName), QStringLiteral("ShowItems"));
    call << QStringList{QString::fromLatin1(fileURL(file).toEncoded())} << QString();
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, timeoutMs_), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [done = std::move(done)](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                done(finished->isError() ? std::nullopt
                                         : std::optional<RevealOutcome>(RevealOutcome::shown));
            });
}

std::unique_ptr<FileRevealer> makeFileRevealer() {
    const auto address = sessionBusAddress();
    return std::make_unique<DBusFileRevealer>(
        address ? toQString(*address) : QString(),
        [](const QUrl& folder) { return QDesktopServices::openUrl(folder); });
}

} // namespace tavro
