#include "desktop/StoreChangeListener.h"

#include "desktop/DBusStoreChangeListener.h"
#include "platform/SessionBus.h"
#include "platform/StoreChangeNotifier.h"
#include "values/Utf8.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QPointer>

#include <atomic>
#include <thread>

namespace tavro {

DBusStoreChangeListener::DBusStoreChangeListener(const QString& address) {
    static std::atomic<int> serial{0};
    name_ = QStringLiteral("tavro-store-listener-%1").arg(++serial);
    // Connecting waits for the bus's answer, for ever when it never comes: off the GUI thread,
    // with the facade's poll picking changes up meanwhile.
    QPointer<DBusStoreChangeListener> self(this);
    std::thread([self, address, name = name_] {
        if (!QDBusConnection::connectToBus(address, name).isConnected())
            return;
        // QPointer is only read on the thread its object lives on.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self] {
                if (self)
                    self->subscribe();
            },
            Qt::QueuedConnection);
    }).detach();
}

DBusStoreChangeListener::~DBusStoreChangeListener() {
    if (subscribed_)
        QDBusConnection::disconnectFromBus(name_);
}

void DBusStoreChangeListener::subscribe() {
    QDBusConnection bus(name_);
    subscribed_ = true;
    if (bus.connect(QString(), toQString(DBusStoreChangeNotifier::objectPath),
                    toQString(DBusStoreChangeNotifier::interfaceName),
                    toQString(DBusStoreChangeNotifier::signalName), this,
                    SLOT(onSignal(QDBusMessage))))
        setListening();
}

void DBusStoreChangeListener::onSignal(const QDBusMessage& message) {
    if (const auto own = DBusStoreChangeNotifier::senderName();
        own && message.service() == toQString(*own))
        return;
    emit changed();
}

std::unique_ptr<StoreChangeListener> makeStoreChangeListener() {
    const auto address = sessionBusAddress();
    if (!address)
        return std::make_unique<StoreChangeListener>();
    return std::make_unique<DBusStoreChangeListener>(toQString(*address));
}

} // namespace tavro
