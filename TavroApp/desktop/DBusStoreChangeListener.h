#pragma once

#include "desktop/StoreChangeListener.h"

#include <QDBusMessage>
#include <QString>

namespace tavro {

// The store-changed signal on the session bus at `address`, on a connection of its own, heard
// from once the bus has let the connection in. Signals this process sent are not passed on: its
// own writes reach the library in-process.
class DBusStoreChangeListener final : public StoreChangeListener {
    Q_OBJECT

public:
    explicit DBusStoreChangeListener(const QString& address);
    ~DBusStoreChangeListener() override;

private slots:
    void onSignal(const QDBusMessage& message);

private:
    void subscribe();

    QString name_;
    bool subscribed_ = false;
};

} // namespace tavro
