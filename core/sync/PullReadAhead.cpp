#include "sync/PullReadAhead.h"

#include <stdexcept>
#include <utility>

namespace tavro {

PullReadAhead::PullReadAhead(std::size_t depth, std::size_t bytes)
    : depth_(depth)
    , bytes_(bytes)
    , thread_([](SyncExecutor::Deadline) {}) {}

PullReadAhead::~PullReadAhead() {
    drop();
}

void PullReadAhead::start(nlohmann::json body, Send send, Follow follow, int budget,
                          std::stop_token session) {
    drop();
    auto chain = std::make_shared<Chain>();
    chain_ = chain;
    thread_.post([this, chain, body = std::move(body), send = std::move(send),
                  follow = std::move(follow), budget, session]() mutable {
        run(*chain, std::move(body), send, follow, budget, session);
    });
}

void PullReadAhead::run(Chain& chain, nlohmann::json body, const Send& send, const Follow& follow,
                        int budget, std::stop_token session) const {
    const std::stop_callback ended(session, [&] { chain.stop.request_stop(); });
    const auto stop = chain.stop.get_token();
    for (int sent = 0; sent < budget; ++sent) {
        {
            std::unique_lock lock(chain.mutex);
            const auto room = [&] {
                return chain.replies.size() < depth_ && chain.bytes < bytes_;
            };
            if (!chain.changed.wait(lock, stop, room) || stop.stop_requested())
                break;
        }
        std::optional<nlohmann::json> next;
        try {
            auto reply = send(body, stop);
            next = follow(reply);
            std::lock_guard lock(chain.mutex);
            chain.bytes += reply.bytes();
            chain.replies.push_back(std::move(reply));
        } catch (...) {
            std::lock_guard lock(chain.mutex);
            chain.error = std::current_exception();
            break;
        }
        chain.changed.notify_all();
        if (!next)
            break;
        body = std::move(*next);
    }
    {
        std::lock_guard lock(chain.mutex);
        chain.ended = true;
    }
    chain.changed.notify_all();
}

bool PullReadAhead::active() const {
    if (!chain_)
        return false;
    std::lock_guard lock(chain_->mutex);
    return !chain_->ended || !chain_->replies.empty() || chain_->error;
}

SyncReply PullReadAhead::take() {
    auto& chain = *chain_;
    std::unique_lock lock(chain.mutex);
    chain.changed.wait(lock, [&] { return !chain.replies.empty() || chain.ended; });
    if (!chain.replies.empty()) {
        auto reply = std::move(chain.replies.front());
        chain.replies.pop_front();
        chain.bytes -= reply.bytes();
        lock.unlock();
        chain.changed.notify_all();
        return reply;
    }
    if (auto error = std::exchange(chain.error, nullptr))
        std::rethrow_exception(error);
    throw std::logic_error("no page was asked for");
}

void PullReadAhead::drop() {
    if (!chain_)
        return;
    auto chain = std::move(chain_);
    chain->stop.request_stop();
    std::unique_lock lock(chain->mutex);
    chain->changed.wait(lock, [&] { return chain->ended; });
}

} // namespace tavro
