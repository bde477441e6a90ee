#include "account/Account.h"

#include "store/CaptureStore.h"

namespace tavro {

Account::Account(std::shared_ptr<CaptureStore> store, QObject* parent)
    : QObject(parent)
    , store_(std::move(store)) {}

void Account::noteLocalChange() {
    emit localChangeNoted();
}

} // namespace tavro
