#pragma once

#include "sync/SyncExecutor.h"
#include "sync/SyncTimings.h"

#include <atomic>
#include <functional>

namespace tavro {

// When the engine's passes run: the loop after each pass, the debounce after a burst of
// changes, and a pass once more when a change comes in while one runs. Everything but
// `want`, `syncing` and `noteChange` runs on the engine's worker.
class PassScheduler {
public:
    struct Hooks {
        // Whether a pass may run now (signed in, the engine not closing).
        std::function<bool()> mayRun;
        std::function<bool()> signedIn;
        // One pass.
        std::function<void()> runPass;
    };

    PassScheduler(SyncExecutor& executor, const SyncTimings& timings, Hooks hooks);

    bool looping() const { return looping_; }
    void startLoop() { looping_ = true; }
    // Ends the loop and the pending debounced pass.
    void stopLoop();
    // The running pass, or the next, runs once more.
    void want() { passWanted_ = true; }
    bool syncing() const { return syncing_; }
    // A change seen here or on the service: the running pass repeats, else one follows soon.
    void noteChange(bool local);
    void request();
    // Runs the wanted passes, then arms the loop.
    void run();
    // The loop's or the debounce's deadline fell due.
    void deadline(SyncExecutor::Deadline deadline);

private:
    SyncExecutor& executor_;
    const SyncTimings& timings_;
    const Hooks hooks_;
    bool looping_ = false;
    std::atomic<bool> passWanted_{false};
    std::atomic<bool> syncing_{false};
};

} // namespace tavro
