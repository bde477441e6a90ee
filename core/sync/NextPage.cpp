#include "sync/NextPage.h"

namespace tavro {

NextPage::NextPage()
    : thread_([](SyncExecutor::Deadline) {}) {}

NextPage::~NextPage() {
    drop();
}

void NextPage::ask(Fetch fetch, std::stop_token session) {
    drop();
    auto slot = std::make_shared<Slot>();
    reply_ = slot->reply.get_future();
    slot_ = slot;
    thread_.post([slot, session, fetch = std::move(fetch)] {
        const std::stop_callback ended(session, [&] { slot->stop.request_stop(); });
        try {
            slot->reply.set_value(fetch(slot->stop.get_token()));
        } catch (...) {
            slot->reply.set_exception(std::current_exception());
        }
    });
}

SyncReply NextPage::take() {
    slot_.reset();
    return reply_.get();
}

void NextPage::drop() {
    if (!slot_)
        return;
    slot_->stop.request_stop();
    slot_.reset();
    reply_.wait();
}

} // namespace tavro
