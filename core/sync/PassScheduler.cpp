#include "sync/PassScheduler.h"

namespace tavro {

PassScheduler::PassScheduler(SyncExecutor& executor, const SyncTimings& timings, Hooks hooks)
    : executor_(executor)
    , timings_(timings)
    , hooks_(std::move(hooks)) {}

void PassScheduler::stopLoop() {
    looping_ = false;
    executor_.disarm(SyncExecutor::Deadline::loop);
    executor_.disarm(SyncExecutor::Deadline::debounce);
}

void PassScheduler::noteChange(bool local) {
    // The pass may have read past this change already: it runs once more as soon as it ends,
    // which it sees whichever of the two flags changes first.
    passWanted_ = true;
    if (syncing_)
        return;
    executor_.post([this, local] {
        if (hooks_.signedIn() && (local || looping_))
            executor_.arm(SyncExecutor::Deadline::debounce, timings_.debounce);
    });
}

void PassScheduler::deadline(SyncExecutor::Deadline deadline) {
    if (deadline == SyncExecutor::Deadline::loop && !looping_)
        return;
    request();
}

void PassScheduler::request() {
    passWanted_ = true;
    run();
}

void PassScheduler::run() {
    if (syncing_)
        return;
    do {
        syncing_ = true;
        // Looked at before every repeat: a pass that ended the session must not be followed
        // by one that runs without it.
        while (passWanted_.exchange(false) && hooks_.mayRun())
            hooks_.runPass();
        syncing_ = false;
        // A request that came in while the last pass was ending saw it still running.
    } while (passWanted_ && hooks_.mayRun());
    if (looping_ && hooks_.signedIn())
        executor_.arm(SyncExecutor::Deadline::loop, timings_.loop);
}

} // namespace tavro
