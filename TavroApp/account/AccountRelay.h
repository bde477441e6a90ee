#pragma once

#include <QMetaObject>
#include <QObject>

#include <functional>
#include <mutex>

namespace tavro {

// Carries reports from the engine's and the account's threads to the account on the GUI
// thread. Once detached (the account is going) nothing more is posted, and what was posted
// but not yet run is dropped with the account, which is each call's context.
class AccountRelay {
public:
    explicit AccountRelay(QObject* account)
        : account_(account) {}

    void detach() {
        std::lock_guard lock(mutex_);
        account_ = nullptr;
    }

    // Runs `deliver` on the account's thread later, unless the account is gone by then.
    void post(std::function<void()> deliver) {
        std::lock_guard lock(mutex_);
        if (account_)
            QMetaObject::invokeMethod(account_, std::move(deliver), Qt::QueuedConnection);
    }

private:
    std::mutex mutex_;
    QObject* account_;
};

} // namespace tavro
