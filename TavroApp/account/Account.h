#pragma once

#include "sync/SyncStatus.h"

#include <QObject>

#include <memory>
#include <string>

namespace tavro {

class CaptureStore;

// The account and its sync state, shared with the library facade. There is no sign-in and no
// sync engine yet, so the user is always signed out and a local change schedules nothing.
class Account final : public QObject {
    Q_OBJECT

public:
    explicit Account(std::shared_ptr<CaptureStore> store, QObject* parent = nullptr);
    Account(const Account&) = delete;
    Account& operator=(const Account&) = delete;

    bool isSignedIn() const { return false; }
    SyncStatus status() const { return {}; }
    // The status menu's sync line; never shown while signed out.
    std::string statusLine() const { return {}; }

    // Tells the sync side that the board changed here. Never throws.
    void noteLocalChange();
    void syncNow() {}

signals:
    void localChangeNoted();
    void statusChanged();

private:
    std::shared_ptr<CaptureStore> store_;
};

} // namespace tavro
