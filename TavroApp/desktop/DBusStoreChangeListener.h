#pragma once

#include "desktop/StoreChangeListener.h"

#include <QString>

namespace tavro {

// The store-changed signal on the session bus at `address`, on a connection of its own, heard
// from once the bus has let the connection in.
class DBusStoreChangeListener final : public StoreChangeListener {
    Q_OBJECT

public:
    explicit DBusStoreChangeListener(const QString& address);
    ~DBusStoreChangeListener() override;

private slots:
    void onSignal();

private:
    void subscribe();

    QString name_;
    bool subscribed_ = false;
};

} // namespace tavro
