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
// next, so the service answers them one after another as if nothing else were going on. At most
// `depth` replies wait to be taken.
class PullReadAhead {
public:
    using Send = std::function<SyncReply(const nlohmann::json& body, std::stop_token)>;
    // The body of the request that follows a reply, or nothing when the pull does not go on
    // by itself after it.
    using Follow = std::function<std::optional<nlohmann::json>(const SyncReply&)>;

    explicit PullReadAhead(std::size_t depth);
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
        std::exception_ptr error;
        bool ended = false;
    };

    static void run(Chain& chain, nlohmann::json body, const Send& send, const Follow& follow,
                    int budget, std::size_t depth, std::stop_token session);

    const std::size_t depth_;
    std::shared_ptr<Chain> chain_;
    SyncExecutor thread_; // last: ends before the chain it may still fill
};

} // namespace tavro
