#pragma once

#include <QObject>

#include <memory>

namespace tavro {

// Hears "dev.tavro.store.didChange" from other processes. The notification carries nothing:
// listeners compare the store's change counter to learn whether to reload.
class StoreChangeListener : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;
    StoreChangeListener(const StoreChangeListener&) = delete;
    StoreChangeListener& operator=(const StoreChangeListener&) = delete;

    // Once the bus has let the listener in; until then changes come from the facade's poll.
    bool isListening() const { return listening_; }

signals:
    void changed();
    void listening();

protected:
    void setListening() {
        listening_ = true;
        emit listening();
    }

private:
    bool listening_ = false;
};

// Listens on the session bus when one exists (DBUS_SESSION_BUS_ADDRESS, else
// $XDG_RUNTIME_DIR/bus); never starts one. Without a bus the listener stays silent and the
// facade's poll picks changes up.
std::unique_ptr<StoreChangeListener> makeStoreChangeListener();

} // namespace tavro
