#pragma once

#include "platform/StoreChangeListener.h"

#include <QString>

namespace tavro {

// The store-changed signal on the session bus at `address`, on a connection of its own.
class DBusStoreChangeListener final : public StoreChangeListener {
    Q_OBJECT

public:
    explicit DBusStoreChangeListener(const QString& address);
    ~DBusStoreChangeListener() override;

private slots:
    void onSignal();

private:
    QString name_;
};

} // namespace tavro
