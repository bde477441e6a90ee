#include "platform/StoreChangeListener.h"

#include "platform/DBusStoreChangeListener.h"
#include "platform/StoreChangeNotifier.h"
#include "shell/Utf8.h"

#include <QDBusConnection>
#include <QFileInfo>

#include <atomic>

namespace tavro {

namespace {

QString sessionBusAddress() {
    const QString address = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
    if (!address.isEmpty())
        return address;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty()) {
        const QString socket = runtime + QStringLiteral("/bus");
        if (QFileInfo::exists(socket))
            return QStringLiteral("unix:path=") + socket;
    }
    return {};
}

} // namespace

DBusStoreChangeListener::DBusStoreChangeListener(const QString& address) {
    static std::atomic<int> serial{0};
    name_ = QStringLiteral("tavro-store-listener-%1").arg(++serial);
    QDBusConnection bus = QDBusConnection::connectToBus(address, name_);
    if (!bus.isConnected())
        return;
    bus.connect(QString(), toQString(DBusStoreChangeNotifier::objectPath),
                toQString(DBusStoreChangeNotifier::interfaceName),
                toQString(DBusStoreChangeNotifier::signalName), this, SLOT(onSignal()));
}

DBusStoreChangeListener::~DBusStoreChangeListener() {
    QDBusConnection::disconnectFromBus(name_);
}

void DBusStoreChangeListener::onSignal() {
    emit changed();
}

std::unique_ptr<StoreChangeListener> makeStoreChangeListener() {
    const QString address = sessionBusAddress();
    if (address.isEmpty())
        return std::make_unique<StoreChangeListener>();
    return std::make_unique<DBusStoreChangeListener>(address);
}

} // namespace tavro
