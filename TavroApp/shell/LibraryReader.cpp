#include "shell/LibraryReader.h"

#include "platform/StoreChangeNotifier.h"
#include "store/CaptureStore.h"

#include <exception>

namespace tavro {

LibraryReader::LibraryReader(std::filesystem::path file)
    : file_(std::move(file))
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
                                           Reading reading) {
    Outcome outcome;
    try {
        // A reader never announces anything: it writes nothing.
        if (!store_)
            store_ =
                std::make_unique<CaptureStore>(file_, std::make_shared<NullStoreChangeNotifier>());
        std::optional<LibraryState> state;
        if (previous && reading != Reading::whole) {
            if (store_->changeCounter() == previous->changeCounter) {
                if (reading == Reading::always)
                    outcome.state = withAccountRecords(previous, outcome.changed);
                return outcome;
            }
            state = LibraryState::update(*previous, *store_);
        }
        if (!state)
            state = LibraryState::read(*store_);
        state->account = previous && reading != Reading::whole
                             ? readAccountRecords(*store_, *previous, *state)
                             : readAccountRecords(*store_);
        if (previous)
            outcome.changed = differences(*previous, *state);
        else
            outcome.changed = {LibraryProperty::captures,      LibraryProperty::groups,
                               LibraryProperty::counts,        LibraryProperty::tagsByCapture,
                               LibraryProperty::commentCounts, LibraryProperty::allTags,
                               LibraryProperty::imageCounts,   LibraryProperty::people,
                               LibraryProperty::workspaces,    LibraryProperty::currentUserID,
                               LibraryProperty::account};
        outcome.state = std::make_shared<const LibraryState>(std::move(*state));
    } catch (const std::exception& error) {
        // The facade publishes it as its load error.
        outcome.error = error.what();
    }
    return outcome;
}

std::shared_ptr<const LibraryState>
LibraryReader::withAccountRecords(const std::shared_ptr<const LibraryState>& previous,
                                  std::vector<LibraryProperty>& changed) {
    // The sync log moves without the change counter.
    AccountRecords account = readAccountRecords(*store_, *previous, *previous);
    if (account == previous->account)
        return previous;
    auto state = std::make_shared<LibraryState>(*previous);
    state->account = std::move(account);
    changed = {LibraryProperty::account};
    return state;
}

void LibraryReader::start(std::shared_ptr<const LibraryState> previous, Reading reading,
                          Done done) {
    {
        std::lock_guard lock(mutex_);
        request_ = Request{std::move(previous), reading, std::move(done)};
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
        retired_.reset();
        Outcome outcome = read(request.previous, request.reading);
        // The caller lets go of the state it replaces once it publishes the new one; this
        // thread holds it until then, so that freeing it costs the caller nothing.
        if (outcome.state && outcome.state != request.previous)
            retired_ = std::move(request.previous);
        request.previous.reset();
        request.done(std::move(outcome));
    }
}

} // namespace tavro
