#pragma once

#include "sync/SyncExecutor.h"
#include "sync/SyncReply.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <stop_token>

namespace tavro {

// The pages of a long pull asked for ahead, on a kept thread of its own (and so over a kept
// connection), while the pages before them are applied: each reply names the cursor of the
// next, so the service answers them one after another as if nothing else were going on. Another
// page is asked for only while fewer than `depth` replies wait to be taken and those hold fewer
// than `bytes` bytes: small pages keep the service busy through a slow stretch of applying,
// while of large ones no more than one waits beside the one being applied.
class PullReadAhead {
public:
    using Send = std::function<SyncReply(const nlohmann::json& body, std::stop_token)>;
    // The body of the request that follows a reply, or nothing when the pull does not go on
    // by itself after it.
    using Follow = std::function<std::optional<nlohmann::json>(const SyncReply&)>;

    PullReadAhead(std::size_t depth, std::size_t bytes);
    // Stops and waits for the requests still out.
    ~PullReadAhead();
    PullReadAhead(const PullReadAhead&) = delete;
    PullReadAhead& operator=(const PullReadAhead&) = delete;

    // Sends `body`, and after each reply what `follow` makes of it, `budget` requests at most;
    // all stopped as soon as `session` is, or when dropped.
    void start(nlohmann::json body, Send send, Follow follow, int budget, std::stop_token session);
    // A reply waits, or is coming.
    bool active() const;
    // The next reply in order, waiting for it; or what its request threw.
    SyncReply take();
    // Stops the requests still out and forgets the replies not taken.
    void drop();

private:
    struct Chain {
        std::stop_source stop;
        std::mutex mutex;
        std::condition_variable_any changed;
        std::deque<SyncReply> replies;
        std::size_t bytes = 0; // of the replies
        std::exception_ptr error;
        bool ended = false;
    };

    void run(Chain& chain, nlohmann::json body, const Send& send, const Follow& follow, int budget,
             std::stop_token session) const;

    const std::size_t depth_;
    const std::size_t bytes_;
    std::shared_ptr<Chain> chain_;
    SyncExecutor thread_; // last: ends before the chain it may still fill
};

} // namespace tavro
