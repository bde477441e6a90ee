#include "shell/LibraryReader.h"

#include "platform/StoreChangeNotifier.h"
#include "store/CaptureStore.h"

#include <exception>

namespace tavro {

LibraryReader::LibraryReader(std::filesystem::path file, int limit)
    : file_(std::move(file))
    , limit_(limit)
    , thread_([this] { run(); }) {}

LibraryReader::~LibraryReader() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

LibraryReader::Outcome LibraryReader::read(const std::shared_ptr<const LibraryState>& previous,
                                           bool force) {
    Outcome outcome;
    try {
        // A reader never announces anything: it writes nothing.
        if (!store_)
            store_ =
                std::make_unique<CaptureStore>(file_, std::make_shared<NullStoreChangeNotifier>());
        if (!force && previous && store_->changeStamp() == previous->stamp)
            return outcome;
        auto state = std::make_shared<LibraryState>(LibraryState::read(*store_, limit_));
        if (previous)
            outcome.changed = differences(*previous, *state);
        else
            outcome.changed = {LibraryProperty::captures,      LibraryProperty::groups,
                               LibraryProperty::counts,        LibraryProperty::tagsByCapture,
                               LibraryProperty::commentCounts, LibraryProperty::allTags,
                               LibraryProperty::imageCounts,   LibraryProperty::people,
                               LibraryProperty::workspaces,    LibraryProperty::currentUserID};
        outcome.state = std::move(state);
    } catch (const std::exception& error) {
        // The facade publishes it as its load error.
        outcome.error = error.what();
    }
    return outcome;
}

void LibraryReader::start(std::shared_ptr<const LibraryState> previous, bool force, Done done) {
    {
        std::lock_guard lock(mutex_);
        request_ = Request{std::move(previous), force, std::move(done)};
    }
    wake_.notify_one();
}

void LibraryReader::run() {
    for (;;) {
        Request request;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || request_; });
            if (stopping_)
                return;
            request = std::move(*request_);
            request_.reset();
        }
        Outcome outcome = read(request.previous, request.force);
        // The old state is let go here rather than on the caller's thread.
        request.previous.reset();
        request.done(std::move(outcome));
    }
}

} // namespace tavro
